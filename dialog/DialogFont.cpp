#include "DialogFont.h"

#include <QByteArray>
#include <QRawFont>
#include <QString>
#include <QStringDecoder>
#include <QtEndian>

namespace {

quint16 Read16(const QByteArray& data, qsizetype at) {
    return qFromBigEndian<quint16>(data.constData() + at);
}

// Whether an OpenType 'name' table names `family` as the face's family, in any
// language or platform: the legacy family (name id 1) or the typographic one
// (16). Unicode and Windows names are UTF-16BE; Macintosh ones are taken as
// Latin-1, which holds for the ASCII names compared here. A short or damaged
// table names nothing.
bool NamesFamily(const QByteArray& table, const QString& family) {
    constexpr qsizetype kHeaderSize = 6;
    constexpr qsizetype kRecordSize = 12;
    constexpr quint16 kMacintosh = 1;
    if (table.size() < kHeaderSize) {
        return false;
    }
    const qsizetype count = Read16(table, 2);
    const qsizetype strings = Read16(table, 4);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype record = kHeaderSize + i * kRecordSize;
        if (record + kRecordSize > table.size()) {
            return false;
        }
        const quint16 nameId = Read16(table, record + 6);
        const qsizetype length = Read16(table, record + 8);
        const qsizetype offset = strings + Read16(table, record + 10);
        if ((nameId != 1 && nameId != 16) || offset + length > table.size()) {
            continue;
        }
        const QByteArrayView bytes(table.constData() + offset, length);
        QString name;
        if (Read16(table, record) == kMacintosh) {
            name = QString::fromLatin1(bytes);
        } else {
            QStringDecoder utf16(QStringDecoder::Utf16BE);
            name = utf16.decode(bytes);
        }
        if (name.compare(family, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// Qt reports a face's family under the locale's name for it (「IPA Pゴシック」
// under ja_JP); the face's own names hold in every locale.
bool IsInstalled(const QFont& font) {
    return NamesFamily(QRawFont::fromFont(font).fontTable("name"), font.family());
}

}  // namespace

QFont DialogFont(const DialogTemplate& dlgTemplate) {
    QFont font(QString::fromLatin1(kLinuxDialogFace), dlgTemplate.fontPointSize);
    if (!IsInstalled(font)) {
        font.setFamily(QString::fromLatin1(kFallbackDialogFace));
    }
    return font;
}
