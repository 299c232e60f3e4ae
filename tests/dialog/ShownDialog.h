#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <string>

#include "MessageBoxCloser.h"
#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

// The main dialog with a hook after each push of a run, numbered from 1: what
// happens on the desktop while the run goes on. It may throw, as any host
// operation may.
class HookedDialog : public CTavroDlg {
public:
    std::function<void(int push)> atPush;
    int pushes = 0;

    void Push() override {
        CTavroDlg::Push();
        if (atPush) {
            atPush(++pushes);
        }
    }
};

// A shown dialog in the current working directory.
struct ShownDialog {
    HookedDialog dlg;
    bool exposed = false;

    ShownDialog() {
        dlg.show();
        exposed = QTest::qWaitForWindowExposed(&dlg);
    }

    // Types `typed` into the upper-bound field and clicks スタート; returns the
    // texts of the message boxes shown meanwhile, joined by " | ", and whether
    // the dialog is still there: "boxes=...\nvisible=yes".
    std::string Press(const std::string& typed) {
        if (!exposed) {
            return "setup: the dialog was not exposed";
        }
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_UPPER))->setText(QString::fromStdString(typed));
        dlg.pushes = 0;
        std::string boxes;
        {
            MessageBoxCloser closer;
            QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_START)),
                              Qt::LeftButton);
            for (const ShownBox& box : closer.boxes) {
                boxes += (boxes.empty() ? "" : " | ") + box.text.toStdString();
            }
        }
        return "boxes=" + boxes + "\nvisible=" + (dlg.isVisible() ? "yes" : "no");
    }
};
