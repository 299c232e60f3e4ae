// The Windows dialog as the dialog manager makes it from the template, its
// data exchange, runs and messages, and its keyboard. Each test in a fresh
// working directory; the viewer request reaches the stand-in that the test
// prefix associates with text files (TAVRO_VIEWER_LOG).
#include "ZazivadeZaz32Dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "DialogTemplate.h"
#include "ListBytes.h"
#include "MessageBoxCloser.h"
#include "TempWorkDir.h"
#include "WideText.h"
#include "resource.h"

namespace {

std::string TextOf(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return Narrow(text);
}

std::string ItemText(const CTavroDlg& dlg, int id) {
    return TextOf(::GetDlgItem(dlg.GetSafeHwnd(), id));
}

// Hands the thread's queued messages to the dialog, as its loop would.
void Pump(HWND dlg) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!::IsWindow(dlg) || !::IsDialogMessageW(dlg, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// The viewer requests so far, one "directory<TAB>argument" a line.
std::string ViewerLog() {
    const char* log = std::getenv("TAVRO_VIEWER_LOG");
    return log == nullptr ? std::string() : ReadFileBytes(log);
}

std::string WaitForViewerRequest(const std::string& before) {
    for (int i = 0; i < 200; ++i) {
        const std::string now = ViewerLog();
        if (now.size() > before.size()) {
            return now.substr(before.size());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

std::string ClassOf(HWND window) {
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    return Narrow(name);
}

TEST(DialogTest, TheDialogManagerMakesTheTemplate) {
    TempWorkDir dir;
    CTavroDlg dlg;
    ASSERT_TRUE(dlg.Create());
    const HWND hwnd = dlg.GetSafeHwnd();
    const DialogTemplate& t = TavroDialogTemplate();

    // The window: caption, fixed size with a minimize box, a taskbar button.
    EXPECT_EQ(TextOf(hwnd), "Tavro+ for Win32");
    const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_NE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    RECT size{0, 0, t.rect.cx, t.rect.cy};
    ::MapDialogRect(hwnd, &size);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    // Both icons, from the executable's resources.
    EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);

    // The face, at 9 points of this screen.
    LOGFONTW font{};
    ASSERT_NE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)),
                           sizeof font, &font),
              0);
    EXPECT_EQ(Narrow(font.lfFaceName), t.fontFamily);
    const HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -::MulDiv(t.fontPointSize, ::GetDeviceCaps(screen, LOGPIXELSY), 72));
    ::ReleaseDC(nullptr, screen);

    // The controls, in template order (z and tab order).
    HWND child = ::GetWindow(hwnd, GW_CHILD);
    for (const DialogControlTemplate& c : t.controls) {
        SCOPED_TRACE(c.symbol);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(child), c.id);
        const char* kinds[] = {"Static", "Button", "Edit"};
        EXPECT_EQ(ClassOf(child), kinds[static_cast<int>(c.kind)]);
        // The dialog manager maps the origin and the size each on its own.
        RECT expected{c.rect.x, c.rect.y, c.rect.cx, c.rect.cy};
        ::MapDialogRect(hwnd, &expected);
        RECT actual{};
        ::GetWindowRect(child, &actual);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right - actual.left, expected.right);
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        const auto s = static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE));
        EXPECT_EQ((s & WS_TABSTOP) != 0, (c.styles & kStyleTabStop) != 0);
        RECT inner{};
        ::GetClientRect(child, &inner);
        const bool bordered = inner.right < actual.right - actual.left;
        EXPECT_EQ(bordered, (c.styles & kStyleBorder) != 0);
        if (c.kind == ControlKind::kEdit) {
            EXPECT_EQ((s & ES_READONLY) != 0, (c.styles & kStyleReadOnly) != 0);
            EXPECT_EQ((s & ES_RIGHT) != 0, (c.styles & kStyleAlignRight) != 0);
            EXPECT_EQ((s & ES_AUTOHSCROLL) != 0, (c.styles & kStyleAutoHScroll) != 0);
        } else if (c.kind == ControlKind::kStatic) {
            EXPECT_EQ(s & SS_TYPEMASK, static_cast<DWORD>(SS_LEFTNOWORDWRAP));
        }
        if (c.id == IDC_STATIC || c.kind == ControlKind::kPushButton) {
            EXPECT_EQ(TextOf(child), c.text);
        }
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

TEST(DialogTest, StartsWaitingWithTheFocusOnStart) {
    TempWorkDir dir;
    CTavroDlg dlg;
    ASSERT_TRUE(dlg.Create());
    Pump(dlg.GetSafeHwnd());
    EXPECT_EQ(ItemText(dlg, IDC_LOWER), "2");
    EXPECT_EQ(ItemText(dlg, IDC_STATE), "入力待ち");
    for (const int id : {IDC_UPPER, IDC_COUNT, IDC_ELAPSED, IDC_FILETIME}) {
        EXPECT_EQ(ItemText(dlg, id), "") << id;
    }
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg.GetSafeHwnd(), IDC_START));
}

TEST(DialogTest, ARunShowsItsResultsAndAsksTheShellForTheList) {
    TempWorkDir dir;
    CTavroDlg dlg;
    ASSERT_TRUE(dlg.Create());
    const HWND hwnd = dlg.GetSafeHwnd();
    const std::string before = ViewerLog();
    ::SetDlgItemTextW(hwnd, IDC_UPPER, L"  100abc");
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_START)));
    EXPECT_EQ(ItemText(dlg, IDC_COUNT), "25");
    EXPECT_EQ(ItemText(dlg, IDC_STATE), "入力待ち");
    EXPECT_EQ(ItemText(dlg, IDC_UPPER), "  100abc");
    EXPECT_EQ(ItemText(dlg, IDC_LOWER), "2");
    const DialogFields& f = dlg.fields();
    EXPECT_EQ(ItemText(dlg, IDC_ELAPSED), f.m_strElapsed);
    EXPECT_EQ(ItemText(dlg, IDC_FILETIME), f.m_strFileTime);
    const std::string list = ReadFileBytes("2-100.txt");
    EXPECT_EQ(list.substr(0, 12), "2\t3\t5\t7\t11\r\n");
    EXPECT_EQ(list.substr(list.size() - ExpectedFooter(f).size()), ExpectedFooter(f));
    EXPECT_TRUE(std::filesystem::exists("debug.txt"));
    // The stand-in viewer started in this directory, for this list.
    const std::string request = WaitForViewerRequest(before);
    ASSERT_FALSE(request.empty()) << "the shell started no viewer";
    const std::string here = Narrow(std::filesystem::current_path().wstring());
    EXPECT_EQ(request.substr(0, request.find('\t')), here) << request;
    EXPECT_NE(request.find("2-100.txt\n"), std::string::npos) << request;
}

// A file layer whose files cannot even be asked for: the run ends with what
// it throws.
class ThrowingFiles : public FileLayer {
public:
    explicit ThrowingFiles(std::function<void()> thrower) : thrower_(std::move(thrower)) {}
    std::unique_ptr<OutputFile> Create(const std::string&, OpenFailure&) override {
        thrower_();
        return nullptr;
    }

private:
    std::function<void()> thrower_;
};

struct MessageCase {
    const char* typed;
    std::function<void()> thrower;  // null: the system's files
    const char* message;
};

TEST(DialogTest, MessagesCarryTheApplicationNameAndTheDialogStays) {
    const MessageCase cases[] = {
        {"", nullptr, "範囲が不当です"},
        {"110000001", nullptr, "範囲が大きすぎます"},
        {"100", [] { throw std::bad_alloc(); }, "メモリが不足しています。"},
        {"100", [] { throw std::runtime_error("failed"); }, "予期しないエラーが発生しました。"},
        {"100", [] { throw 7; }, "予期しないエラーが発生しました。"},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.message);
        TempWorkDir dir;
        ThrowingFiles throwing(c.thrower);
        CTavroDlg dlg(nullptr, c.thrower ? static_cast<FileLayer&>(throwing) : SystemFileLayer());
        ASSERT_TRUE(dlg.Create());
        const HWND hwnd = dlg.GetSafeHwnd();
        ::SetDlgItemTextW(hwnd, IDC_UPPER, Widen(c.typed).c_str());
        std::vector<MessageBoxCloser::Box> boxes;
        {
            const MessageBoxCloser closer(::GetCurrentThreadId(), hwnd);
            ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
            boxes = closer.boxes();
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, CTavroDlg::ApplicationName());
        EXPECT_EQ(Narrow(boxes[0].text), c.message);
        EXPECT_TRUE(::IsWindow(hwnd));
        EXPECT_EQ(ItemText(dlg, IDC_COUNT), "");
    }
    EXPECT_EQ(CTavroDlg::ApplicationName(), L"tavro_win32_tests");
}

struct KeyCase {
    const char* what;
    int focus;
    std::function<void(HWND dlg, HWND focus)> press;
    bool ends;
    const char* pulledUpper;  // what the fields hold of the upper bound after it
    bool ran;
};

// The key goes to `focus`, given the focus as Tab would give it.
void PostKey(HWND dlg, HWND focus, WPARAM key) {
    ::SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    Pump(dlg);
}

TEST(DialogTest, TheKeyboardAsTheDialogManagerGivesIt) {
    const KeyCase cases[] = {
        {"Enter in the upper bound", IDC_UPPER, [](HWND d, HWND f) { PostKey(d, f, VK_RETURN); },
         true, "100", false},
        {"Enter on スタート", IDC_START, [](HWND d, HWND f) { PostKey(d, f, VK_RETURN); }, false,
         "100", true},
        {"Space on スタート", IDC_START, [](HWND d, HWND f) { PostKey(d, f, VK_SPACE); }, false,
         "100", true},
        {"Escape", IDC_UPPER, [](HWND d, HWND f) { PostKey(d, f, VK_ESCAPE); }, true, "", false},
        {"the close box", IDC_UPPER,
         [](HWND d, HWND) {
             ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
             Pump(d);
         },
         true, "", false},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir dir;
        CTavroDlg dlg;
        ASSERT_TRUE(dlg.Create());
        const HWND hwnd = dlg.GetSafeHwnd();
        ::SetDlgItemTextW(hwnd, IDC_UPPER, L"100");
        c.press(hwnd, ::GetDlgItem(hwnd, c.focus));
        EXPECT_EQ(!::IsWindow(hwnd), c.ends);
        EXPECT_EQ(dlg.fields().m_strUpper, c.pulledUpper);
        EXPECT_EQ(std::filesystem::exists("2-100.txt"), c.ran);
    }
}

}  // namespace
