#include "ZazivadeZaz32.h"

#include <QFileInfo>

#include "ZazivadeZaz32Dlg.h"

namespace {

constexpr char kDesktopFileName[] = "ZazivadeZaz32";
char gFallbackProgram[] = "ZazivadeZaz32";

// Qt keeps references to the argument vector for the application's life, and
// there is one application per process.
int gArgc = 1;
char* gArgv[2] = {gFallbackProgram, nullptr};

// The command line is ignored altogether, Qt's own options included: Qt is
// handed the program name alone.
int& ProgramNameOnly(int argc, char** argv) {
    if (argc > 0 && argv[0] != nullptr) {
        gArgv[0] = argv[0];
    }
    return gArgc;
}

}  // namespace

CTavroApp::CTavroApp(int argc, char** argv) : QApplication(ProgramNameOnly(argc, argv), gArgv) {
    // The message boxes' caption: the executable's name without directory and
    // extension. No display name, which would be appended to every window
    // title.
    setApplicationName(QFileInfo(applicationFilePath()).completeBaseName());
    setApplicationVersion(QStringLiteral(TAVRO_VERSION));
    setDesktopFileName(QString::fromLatin1(kDesktopFileName));
}

CTavroApp::~CTavroApp() = default;

bool CTavroApp::InitInstance() {
    CTavroDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();  // OK or cancel, the program ends either way
    m_pMainWnd = nullptr;
    return false;
}
