#include "DataExchange.h"

#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <numeric>

#include "DisplayFlush.h"

namespace {

QString TextOf(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    return QString();
}

void SetTextOf(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    }
}

}  // namespace

void DataExchange::PaintChanged() const {
    if (m_changed.empty()) {
        return;
    }
    QWidget* window = m_changed.front()->window();
    const QRegion changed = std::accumulate(
        m_changed.begin(), m_changed.end(), QRegion(), [window](QRegion region, QWidget* control) {
            return region += QRect(control->mapTo(window, QPoint(0, 0)), control->size());
        });
    // One repaint for the whole push: one frame, so the fields of a push
    // appear together and a run uses few of the window's buffers.
    window->repaint(changed);
    FlushDisplay();
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    QWidget* control = dx.Control(id);
    if (control == nullptr) {
        return;
    }
    if (dx.saveAndValidate()) {
        value = TextOf(control).toStdString();
        return;
    }
    const QString text = QString::fromStdString(value);
    if (TextOf(control) == text) {
        return;
    }
    SetTextOf(control, text);
    dx.MarkChanged(control);
}
