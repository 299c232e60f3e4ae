#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <vector>

// What one message box showed.
struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    bool modal;
    QWidget* parent;
};

// While it lives, closes every message box that opens, from inside the box's
// own modal loop, with its OK button (or as cancel if it has none), and keeps
// what each showed. Its timer only fires where events are processed, which a
// search run never does, so it cannot disturb a run.
class MessageBoxCloser {
public:
    MessageBoxCloser() {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { CloseActiveBox(); });
        m_timer.start();
    }

    std::vector<ShownBox> boxes;

private:
    void CloseActiveBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                         box->isModal(), box->parentWidget()});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    }

    QTimer m_timer;
};
