#include "ZazivadeZaz32Dlg.h"

#include <shellapi.h>

#include <new>
#include <string_view>

#include "DialogResource.h"
#include "DialogTemplate.h"
#include "FieldExchange.h"
#include "FrontEndTexts.h"
#include "RunSearch.h"
#include "SearchLimits.h"
#include "SearchTexts.h"
#include "WideText.h"
#include "resource.h"

namespace {

// A message nobody posts: asking for it makes the system look at the thread's
// queue without taking anything out of it (see PaintNow).
constexpr UINT kNeverPosted = WM_APP + 0x3FFF;

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

// The system's metric for the window's monitor where Windows knows of one
// (Windows 10 from 1607 on), else for the primary one. Looked up at run time,
// so the program still starts on older systems.
int MetricForWindow(HWND window, int index) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    static const HMODULE kUser = ::GetModuleHandleW(L"user32.dll");
    static const auto kDpiFor = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(::GetProcAddress(kUser, "GetDpiForWindow")));
    static const auto kMetricFor = reinterpret_cast<MetricsForDpi>(
        reinterpret_cast<void*>(::GetProcAddress(kUser, "GetSystemMetricsForDpi")));
    const UINT dpi = kDpiFor != nullptr ? kDpiFor(window) : 0;
    return dpi != 0 && kMetricFor != nullptr ? kMetricFor(index, dpi) : ::GetSystemMetrics(index);
}

HICON LoadIconAt(int cx, int cy) {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                           MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, cx, cy,
                                           LR_DEFAULTCOLOR));
}

}  // namespace

CTavroDlg::CTavroDlg(HWND pParent, FileLayer& files)
    : m_pParent(pParent), m_files(files), m_template(BuildDialogResource(TavroDialogTemplate())) {}

CTavroDlg::~CTavroDlg() {
    if (m_hWnd != nullptr && !m_modal) {
        ::DestroyWindow(m_hWnd);
    }
    for (HICON icon : {m_hIcon, m_hSmallIcon}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
}

INT_PTR CTavroDlg::DoModal() {
    m_modal = true;
    const INT_PTR result = ::DialogBoxIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(m_template.data()),
        m_pParent, &CTavroDlg::DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    m_modal = false;
    return result;
}

bool CTavroDlg::Create() {
    m_modal = false;
    return ::CreateDialogIndirectParamW(
               ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(m_template.data()),
               m_pParent, &CTavroDlg::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

bool CTavroDlg::UpdateData(bool bSaveAndValidate) {
    m_changed.clear();
    DoDataExchange(bSaveAndValidate);
    if (!bSaveAndValidate) {
        PaintNow(m_changed);
    }
    m_changed.clear();
    return true;
}

void CTavroDlg::Pull() {
    UpdateData(true);
}

void CTavroDlg::Push() {
    UpdateData(false);
}

void CTavroDlg::ShowMessage(const std::string& text) {
    ::MessageBoxW(m_hWnd, Widen(text).c_str(), ApplicationName().c_str(), MB_OK);
}

void CTavroDlg::OpenWithShell(const std::string& fileName) {
    // No owner, so the viewer is nobody's child window; its result, and the
    // viewer's fate, are not the run's concern.
    static_cast<void>(::ShellExecuteW(nullptr, L"open", Widen(fileName).c_str(), nullptr, nullptr,
                                      SW_SHOWDEFAULT));
}

std::wstring CTavroDlg::ApplicationName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot != 0) {
        name.resize(dot);
    }
    return name;
}

void CTavroDlg::DoDataExchange(bool bSaveAndValidate) {
    for (const FieldBinding& binding : kFieldExchange) {
        HWND control = ::GetDlgItem(m_hWnd, binding.id);
        if (control == nullptr) {
            continue;
        }
        std::string& value = m_fields.*binding.field;
        if (bSaveAndValidate) {
            value = Narrow(WindowText(control));
            continue;
        }
        const std::wstring text = Widen(value);
        if (WindowText(control) != text) {
            ::SetWindowTextW(control, text.c_str());
            m_changed.push_back(control);
        }
    }
}

bool CTavroDlg::OnInitDialog() {
    SetIcons();
    m_fields.m_strLower = std::to_string(kLowerBound);
    m_fields.m_strState = search_texts::kWaiting;
    UpdateData(false);
    return true;
}

INT_PTR CALLBACK CTavroDlg::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog's object travels as the creation parameter and is kept in
    // the window's user data: integers that are pointers, as Windows has it.
    if (message == WM_INITDIALOG) {
        auto* dlg = reinterpret_cast<CTavroDlg*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        dlg->m_hWnd = hWnd;
    }
    auto* dlg = reinterpret_cast<CTavroDlg*>(  // NOLINT(performance-no-int-to-ptr)
        ::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (dlg == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        dlg->m_hWnd = nullptr;
        return FALSE;
    }
    return dlg->OnMessage(message, wParam, lParam);
}

INT_PTR CTavroDlg::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            if (OnInitDialog()) {
                // The first tab stop gets the focus the way Tab gives it, so
                // that スタート, a push button, becomes the default one while
                // it has the focus and Enter presses it, as on Linux.
                ::SendMessageW(
                    m_hWnd, WM_NEXTDLGCTL,
                    reinterpret_cast<WPARAM>(::GetNextDlgTabItem(m_hWnd, nullptr, FALSE)), TRUE);
            }
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hIcon);
        case WM_DPICHANGED:
            SetIcons();
            return FALSE;  // the dialog manager rescales the dialog itself
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_START:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        DispatchStart();
                        return TRUE;
                    }
                    break;
                case IDOK:
                    OnOK();
                    return TRUE;
                case IDCANCEL:
                    OnCancel();
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

void CTavroDlg::SetIcons() {
    // The sizes the system asks for, for the window's own monitor.
    const auto metric = [this](int index) { return MetricForWindow(m_hWnd, index); };
    HICON big = LoadIconAt(metric(SM_CXICON), metric(SM_CYICON));
    HICON small = LoadIconAt(metric(SM_CXSMICON), metric(SM_CYSMICON));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    for (HICON old : {m_hIcon, m_hSmallIcon}) {
        if (old != nullptr) {
            ::DestroyIcon(old);
        }
    }
    m_hIcon = big;
    m_hSmallIcon = small;
}

void CTavroDlg::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    EndDialog(IDOK);
}

void CTavroDlg::OnCancel() {
    EndDialog(IDCANCEL);
}

void CTavroDlg::EndDialog(INT_PTR result) {
    if (m_modal) {
        ::EndDialog(m_hWnd, result);
    } else {
        ::DestroyWindow(m_hWnd);
    }
}

void CTavroDlg::DispatchStart() {
    const std::string_view failure = front_end_texts::FailureOf([this] { OnStart(); });
    if (failure.empty()) {
        return;
    }
    try {
        ShowMessage(std::string(failure));
    } catch (...) {
        // Not even the message could be made; the dialog carries on.
    }
}

void CTavroDlg::OnStart() {
    RunSearch(m_fields, *this, m_files);
}

void CTavroDlg::PaintNow(const std::vector<HWND>& changed) const {
    if (changed.empty()) {
        return;
    }
    // 1. The changed controls paint themselves now, not when the loop that
    //    waits for the run would have let them.
    for (HWND control : changed) {
        ::UpdateWindow(control);
    }
    // 2. What GDI still batches for this thread goes to the window's surface.
    ::GdiFlush();
    // 3. A look at the queue for a message that never comes: it takes no
    //    input out (what is typed during a run is handled after it), but is
    //    where Wine hands the painted surface to the X server and where
    //    Windows counts the window as still responding.
    MSG msg;
    static_cast<void>(::PeekMessageW(&msg, m_hWnd, kNeverPosted, kNeverPosted, PM_NOREMOVE));
}
