// What assistive technology reads: each result field and the upper bound are
// tied to the static text that labels them on screen, in both directions of
// the relation (AT-SPI's labelled-by and label-for), while the template order,
// which puts the state before its label, stays as it is.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <string>
#include <vector>

#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

namespace {

std::vector<std::string> Names(
    const QList<QPair<QAccessibleInterface*, QAccessible::Relation>>& related) {
    std::vector<std::string> names;
    for (const auto& [accessible, relation] : related) {
        names.push_back(accessible->text(QAccessible::Name).toStdString());
    }
    return names;
}

TEST(DialogLabelTest, EachValueAndTheUpperBoundAreLabelledByTheTextBeforeThem) {
    CTavroDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    struct Case {
        int id;
        const char* label;  // null: nothing on screen labels it
    };
    const Case cases[] = {
        {IDC_COUNT, "素数の数："}, {IDC_ELAPSED, "処理時間（ﾐﾘ秒）："},
        {IDC_STATE, "状態："},     {IDC_FILETIME, "ファイル出力時間（ﾐﾘ秒）："},
        {IDC_UPPER, "～"},         {IDC_LOWER, nullptr},
        {IDC_START, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(dlg.GetDlgItem(c.id));
        ASSERT_NE(control, nullptr);
        const auto labels = control->relations(QAccessible::Label);
        if (c.label == nullptr) {
            EXPECT_EQ(Names(labels), std::vector<std::string>{});
            continue;
        }
        ASSERT_EQ(Names(labels), std::vector<std::string>{c.label});
        QAccessibleInterface* label = labels.front().first;
        EXPECT_EQ(label->role(), QAccessible::StaticText);
        const auto labelled = label->relations(QAccessible::Labelled);
        ASSERT_EQ(labelled.size(), 1);
        EXPECT_EQ(labelled.front().first, control);
    }
}

}  // namespace
