// Stands in for the program associated with text files in the test prefix:
// appends one line to the file TAVRO_VIEWER_LOG names, the directory it was
// started in and its arguments as received (UTF-8, TAB between them), and
// ends. A request that reached it went through the shell's association.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "WideText.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t log[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"TAVRO_VIEWER_LOG", log, MAX_PATH) == 0) {
        return 2;
    }
    wchar_t cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring line = cwd;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        line += L'\t';
        line += argv[i];
    }
    const std::string bytes = Narrow(line) + "\n";
    const HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
