#include "ZazivadeZaz32.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "ZazivadeZaz32Dlg.h"

bool CTavroApp::InitInstance() {
    // 1. The common controls of the manifest's version, so the dialog's
    //    controls take the system's visual style.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // 2. The shell may hand the viewer request to an extension, which needs
    //    COM on this thread.
    const HRESULT com =
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // 3. The dialog, run to its end; OK or cancel, the program ends either way.
    {
        CTavroDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return false;
}
