#include <windows.h>

#include "ZazivadeZaz32.h"

// The one application object, made before the program's entry runs.
CTavroApp theApp;

// The command line and the show command are not used: the dialog is the
// whole program, and it places itself.
int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/,
                   int /*nCmdShow*/) {
    static_cast<void>(theApp.InitInstance());
    return 0;
}
