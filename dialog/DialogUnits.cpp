#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
    : DialogUnits(QFontMetrics(font).horizontalAdvance(QString::fromLatin1(kLetters)),
                  QFontMetrics(font).height()) {}

DialogUnits::DialogUnits(int lettersWidth, int fontHeight)
    // The average of the 52 letters, rounded half up, as the dialog manager
    // does it: (width / 26 + 1) / 2. Not averageCharWidth(), which for a CJK
    // font is the full-width average and twice too wide.
    : baseX_((lettersWidth / 26 + 1) / 2), baseY_(std::max(fontHeight, 1)) {
    // A font without Latin letters measures them as nothing; half its height,
    // about a half-width glyph, stands in, so no unit is zero and no scale
    // infinite.
    if (baseX_ < 1) {
        baseX_ = std::max(baseY_ / 2, 1);
    }
}

void DialogUnits::EnlargeToFit(int textWidth, const DialogRect& rect) {
    if (rect.cx <= 0 || MapRect(rect).width() >= textWidth) {
        return;
    }
    // One pixel to spare: each edge is rounded on its own and may lose one.
    const double needed = (textWidth + 1) * 4.0 / (static_cast<double>(rect.cx) * baseX_);
    if (needed > scale_) {
        scale_ = needed;
    }
}

int DialogUnits::MapX(int x) const {
    return static_cast<int>(std::lround(x * baseX_ * scale_ / 4.0));
}

int DialogUnits::MapY(int y) const {
    return static_cast<int>(std::lround(y * baseY_ * scale_ / 8.0));
}

QRect DialogUnits::MapRect(const DialogRect& rect) const {
    const int left = MapX(rect.x);
    const int top = MapY(rect.y);
    return QRect(left, top, MapX(rect.x + rect.cx) - left, MapY(rect.y + rect.cy) - top);
}

QSize DialogUnits::MapSize(int cx, int cy) const {
    return QSize(MapX(cx), MapY(cy));
}
