#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DialogFields.h"
#include "OutputFile.h"
#include "SearchHost.h"

// The program's only window on Windows, made by the dialog manager from the
// template IDD_TAVRO_DIALOG: the results of the last run, the state line, the
// range and the start button. It owns its DialogFields and is the SearchHost
// of the runs it starts; the dialog manager gives it the keyboard: Enter in
// an edit ends it as OK, Enter or Space on スタート press that button, Escape
// and the close box end it as cancel. One thread: the dialog's window, its
// runs and its message boxes all belong to the thread that made it.
class CTavroDlg : public SearchHost {
public:
    // `files` are where the runs write; they must outlive the dialog.
    explicit CTavroDlg(HWND pParent = nullptr, FileLayer& files = SystemFileLayer());
    virtual ~CTavroDlg();
    CTavroDlg(const CTavroDlg&) = delete;
    CTavroDlg& operator=(const CTavroDlg&) = delete;

    // Runs the dialog modally; IDOK or IDCANCEL once it has ended, -1 when
    // it could not be made.
    INT_PTR DoModal();
    // Makes the dialog without a loop of its own (the caller's messages
    // reach it); false when it could not be made. It ends with its object or
    // with OK or cancel.
    bool Create();
    HWND GetSafeHwnd() const { return m_hWnd; }
    // One data exchange pass: true copies the controls into the fields, false
    // the fields into the controls and paints those that changed. Always
    // succeeds (nothing is validated).
    bool UpdateData(bool bSaveAndValidate = true);

    const DialogFields& fields() const { return m_fields; }

    // SearchHost: the search run reaches the dialog only through these.
    void Pull() override;
    void Push() override;
    void ShowMessage(const std::string& text) override;
    void OpenWithShell(const std::string& fileName) override;

    // The application's name, the message boxes' caption: the executable's
    // file name without directory and extension.
    static std::wstring ApplicationName();

protected:
    virtual void DoDataExchange(bool bSaveAndValidate);
    // Runs once the controls exist; true lets the dialog manager give the
    // focus to the first tab stop.
    virtual bool OnInitDialog();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetIcons();
    void OnOK();
    void OnCancel();
    void EndDialog(INT_PTR result);
    // The command dispatch around OnStart: no exception leaves it; each is
    // reported in a message box and the dialog stays open.
    void DispatchStart();
    void OnStart();
    // Paints the controls a push changed now, and hands the result to the
    // window system before the run goes on, without handling any input.
    void PaintNow(const std::vector<HWND>& changed) const;

    DialogFields m_fields;
    HWND m_pParent;
    FileLayer& m_files;
    HWND m_hWnd = nullptr;
    bool m_modal = false;
    HICON m_hIcon = nullptr;       // big, at the system's icon size
    HICON m_hSmallIcon = nullptr;  // small, for the caption and the taskbar
    std::vector<std::uint16_t> m_template;
    std::vector<HWND> m_changed;  // what the push under way changed
};
