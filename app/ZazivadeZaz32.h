#pragma once

#include <QApplication>

class CTavroDlg;

// The application object: exactly one per process, made by main. It names the
// application after its executable (the message boxes' caption), ignores the
// command line, and InitInstance shows the main dialog modally; the program
// ends when the dialog does. `argv[0]` must outlive the object.
class CTavroApp : public QApplication {
    Q_OBJECT

public:
    CTavroApp(int argc, char** argv);
    ~CTavroApp() override;

    // Runs the main dialog to its end; false, so no event loop of its own
    // follows and the process exits.
    virtual bool InitInstance();

    // The main dialog while InitInstance runs it, else null.
    CTavroDlg* m_pMainWnd = nullptr;
};
