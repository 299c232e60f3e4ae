// Prints, in UTF-8, the text of control ID in the top-level window captioned
// CAPTION (or the caption itself for ID 0), as another program sees it on
// screen: how the real-window test reads a message box's text exactly.
//
//   tavro_window_text.exe CAPTION ID
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "WideText.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: tavro_window_text CAPTION ID\n", stderr);
        return 2;
    }
    const HWND window = ::FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        return 1;
    }
    const int id = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    const HWND control = id == 0 ? window : ::GetDlgItem(window, id);
    if (control == nullptr) {
        return 1;
    }
    wchar_t text[1024] = {};
    ::GetWindowTextW(control, text, 1024);
    const std::string utf8 = Narrow(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    return 0;
}
