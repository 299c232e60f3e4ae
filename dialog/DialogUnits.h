#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "DialogTemplate.h"

// Converts dialog units to pixels for one font, the way dialog managers do: a
// horizontal unit is a quarter of the average width of the 52 Latin letters, a
// vertical unit an eighth of the font's height. Each edge of a rectangle is
// mapped on its own, so controls that touch in units still touch in pixels.
// A plain value; it keeps no reference to the font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // From the measures of a font: the advance of the 52 letters together and
    // the height. Either may be 0; the base units are at least 1 pixel.
    DialogUnits(int lettersWidth, int fontHeight);

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }
    // Uniform factor on both base units, 1 unless EnlargeToFit raised it.
    double scale() const { return scale_; }

    // Raises the scale, if needed, so that `textWidth` pixels fit into `rect`
    // as mapped; a text that fits already leaves the scale alone. A CJK
    // font's full-width punctuation can be wider than the letters the base
    // unit comes from, and labels would lose their last characters; scaling
    // both axes alike keeps every relative placement.
    void EnlargeToFit(int textWidth, const DialogRect& rect);

    int MapX(int x) const;
    int MapY(int y) const;
    QRect MapRect(const DialogRect& rect) const;
    QSize MapSize(int cx, int cy) const;

private:
    int baseX_;
    int baseY_;
    double scale_ = 1.0;
};
