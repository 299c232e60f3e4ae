#pragma once

class CTavroDlg;

// The application object: exactly one per process (theApp, in main.cpp).
// InitInstance shows the main dialog modally; the program ends when the
// dialog does. The command line is ignored.
class CTavroApp {
public:
    CTavroApp() = default;
    virtual ~CTavroApp() = default;
    CTavroApp(const CTavroApp&) = delete;
    CTavroApp& operator=(const CTavroApp&) = delete;

    // Runs the main dialog to its end; false, so no message loop of its own
    // follows and the process exits.
    virtual bool InitInstance();

    // The main dialog while InitInstance runs it, else null.
    CTavroDlg* m_pMainWnd = nullptr;
};
