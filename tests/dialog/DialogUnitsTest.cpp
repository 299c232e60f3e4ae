#include "DialogUnits.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <cmath>
#include <utility>

namespace {

QFont DialogFont(int pointSize) {
    return QFont(QStringLiteral("Noto Sans CJK JP"), pointSize);
}

TEST(DialogUnitsTest, BaseUnitsComeFromTheLatinLettersNotTheFullWidthAverage) {
    for (const int size : {9, 12, 18}) {
        SCOPED_TRACE(size);
        const QFont font = DialogFont(size);
        const QFontMetrics metrics(font);
        const DialogUnits units(font);
        const double letters =
            metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) +
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
        EXPECT_LE(std::abs(units.baseX() - letters / 52), 1.0);
        EXPECT_LT(units.baseX(), metrics.averageCharWidth());
        EXPECT_EQ(units.baseY(), metrics.height());
        EXPECT_EQ(units.scale(), 1.0);
    }
}

TEST(DialogUnitsTest, ScalesWithTheFontAndKeepsTouchingControlsTouching) {
    const DialogUnits small(DialogFont(9));
    const DialogUnits large(DialogFont(18));
    const QSize smallWindow = small.MapSize(126, 95);
    const QSize largeWindow = large.MapSize(126, 95);
    EXPECT_NEAR(largeWindow.width(), 2.0 * smallWindow.width(), 0.15 * smallWindow.width());
    EXPECT_NEAR(largeWindow.height(), 2.0 * smallWindow.height(), 0.15 * smallWindow.height());
    for (const DialogUnits* units : {&small, &large}) {
        // Count label and count, state and state label, the two edits and the tilde.
        const QRect left = units->MapRect({3, 4, 33, 11});
        const QRect right = units->MapRect({36, 4, 33, 9});
        EXPECT_EQ(left.right() + 1, right.left());
        EXPECT_EQ(left.top(), right.top());
        const QRect lower = units->MapRect({0, 60, 56, 12});
        const QRect upper = units->MapRect({68, 60, 56, 12});
        EXPECT_EQ(upper.left() - lower.left(), units->MapX(68));
        EXPECT_EQ(lower.height(), upper.height());
    }
}

TEST(DialogUnitsTest, EnlargingMakesATextFitAndNeverShrinks) {
    struct Case {
        int textWidth;
        DialogRect rect;
    };
    const Case cases[] = {
        {156, {3, 46, 75, 10}}, {108, {3, 18, 52, 10}}, {36, {3, 32, 17, 10}},
        {61, {1, 0, 33, 11}},   {10, {5, 7, 40, 10}},   {91, {3, 18, 52, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.textWidth);
        DialogUnits units(DialogFont(9));
        const int before = units.MapRect(c.rect).width();
        units.EnlargeToFit(c.textWidth, c.rect);
        EXPECT_GE(units.MapRect(c.rect).width(), c.textWidth);
        EXPECT_GE(units.MapRect(c.rect).width(), before);
        EXPECT_GE(units.scale(), 1.0);
        if (before >= c.textWidth) {
            EXPECT_EQ(units.scale(), 1.0);
        }
    }
}

// A font without Latin letters measures them as nothing: the units and any
// enlargement stay finite, and a text still fits where it must.
TEST(DialogUnitsTest, AFontWithoutLatinLettersStillGivesFiniteUnits) {
    for (const auto& [letters, height] : {std::pair{0, 12}, std::pair{0, 0}, std::pair{25, 1}}) {
        SCOPED_TRACE(::testing::Message() << letters << " / " << height);
        DialogUnits units(letters, height);
        units.EnlargeToFit(156, DialogRect{3, 46, 75, 10});
        EXPECT_GE(units.baseX(), 1);
        EXPECT_GE(units.baseY(), 1);
        EXPECT_TRUE(std::isfinite(units.scale()));
        EXPECT_GE(units.MapRect({3, 46, 75, 10}).width(), 156);
        EXPECT_GT(units.MapSize(126, 95).height(), 0);
    }
}

}  // namespace
