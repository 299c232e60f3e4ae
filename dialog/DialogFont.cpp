#include "DialogFont.h"

#include <QFontInfo>
#include <QString>

namespace {

bool IsInstalled(const QFont& font) {
    return QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0;
}

}  // namespace

QFont DialogFont(const DialogTemplate& dlgTemplate) {
    QFont font(QString::fromLatin1(kLinuxDialogFace), dlgTemplate.fontPointSize);
    if (!IsInstalled(font)) {
        font.setFamily(QString::fromLatin1(kFallbackDialogFace));
    }
    return font;
}
