#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <cmath>

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The average of the 52 letters, rounded half up, as the dialog manager does
// it: (width / 26 + 1) / 2. Not averageCharWidth(), which for a CJK font is the
// full-width average and twice too wide.
int AverageLetterWidth(const QFontMetrics& metrics) {
    const int width = metrics.horizontalAdvance(QString::fromLatin1(kLetters));
    return (width / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_baseX = AverageLetterWidth(metrics);
    m_baseY = metrics.height();
}

void DialogUnits::EnlargeToFit(int textWidth, const DialogRect& rect) {
    if (rect.cx <= 0 || MapRect(rect).width() >= textWidth) {
        return;
    }
    // One pixel to spare: each edge is rounded on its own and may lose one.
    const double needed = (textWidth + 1) * 4.0 / (static_cast<double>(rect.cx) * m_baseX);
    if (needed > m_scale) {
        m_scale = needed;
    }
}

int DialogUnits::MapX(int x) const {
    return static_cast<int>(std::lround(x * m_baseX * m_scale / 4.0));
}

int DialogUnits::MapY(int y) const {
    return static_cast<int>(std::lround(y * m_baseY * m_scale / 8.0));
}

QRect DialogUnits::MapRect(const DialogRect& rect) const {
    const int left = MapX(rect.x);
    const int top = MapY(rect.y);
    return QRect(left, top, MapX(rect.x + rect.cx) - left, MapY(rect.y + rect.cy) - top);
}

QSize DialogUnits::MapSize(int cx, int cy) const {
    return QSize(MapX(cx), MapY(cy));
}
