#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// While it lives, watches the windows of the thread `owner` for message boxes
// (dialog class "#32770", other than `except`), notes each one's caption and
// text and presses its OK button, so that a test on that thread goes on past
// a modal box. Texts are as shown (UTF-16).
class MessageBoxCloser {
public:
    struct Box {
        std::wstring caption;
        std::wstring text;
    };

    MessageBoxCloser(DWORD owner, HWND except)
        : owner_(owner), except_(except), watcher_([this] { Watch(); }) {}
    ~MessageBoxCloser() {
        stop_ = true;
        watcher_.join();
    }
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

    std::vector<Box> boxes() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }

private:
    static std::wstring TextOf(HWND window) {
        wchar_t text[512] = {};
        ::GetWindowTextW(window, text, 512);
        return text;
    }

    void Watch() {
        while (!stop_) {
            ::EnumThreadWindows(owner_, &MessageBoxCloser::Visit, reinterpret_cast<LPARAM>(this));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        auto* closer = reinterpret_cast<MessageBoxCloser*>(self);
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        if (window == closer->except_ || std::wstring(className) != L"#32770" ||
            !::IsWindowVisible(window) || closer->closing_ == window) {
            return TRUE;
        }
        {
            const std::lock_guard<std::mutex> lock(closer->mutex_);
            // A message box's text is its static control 0xFFFF.
            closer->boxes_.push_back({TextOf(window), TextOf(::GetDlgItem(window, 0xFFFF))});
        }
        closer->closing_ = window;
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    DWORD owner_;
    HWND except_;
    std::atomic<bool> stop_{false};
    HWND closing_ = nullptr;  // the box already answered, until it is gone
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
    std::thread watcher_;
};
