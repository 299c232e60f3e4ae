#include "DataExchange.h"

#include <QLabel>
#include <QLineEdit>
#include <QString>

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
