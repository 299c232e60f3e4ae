// The face the dialog is drawn in, as fontconfig offers it, and every text it
// shows unclipped in that face. Fontconfig reads its configuration once per
// process, so each row runs in a fresh process (a death-test child re-runs
// this binary) whose fontconfig reads the row's configuration.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "SearchTexts.h"
#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

namespace {

struct FaceCase {
    const char* name;
    const char* fontconfigFile;  // null: the system's configuration
    const char* family;          // the face the dialog must be drawn in
    bool enlarged;               // larger than the face's own base units give
};

const FaceCase kFaceCases[] = {
    {"IPAPGothic installed", nullptr, "IPAPGothic", false},
    {"IPAPGothic missing", TAVRO_DIALOG_TEST_DIR "/fonts-without-ipa.conf", "Noto Sans CJK JP",
     true},
};

// Every text a label shows at start-up, during a run and after the largest one.
std::vector<std::pair<const QLabel*, QString>> ShownTexts(const CTavroDlg& dlg) {
    std::vector<std::pair<const QLabel*, QString>> shown;
    for (const QLabel* label : dlg.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        shown.emplace_back(label, label->text());
    }
    const auto* state = qobject_cast<const QLabel*>(dlg.GetDlgItem(IDC_STATE));
    for (const std::string_view text : {search_texts::kProcessing, search_texts::kWritingFile}) {
        shown.emplace_back(state,
                           QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    shown.emplace_back(qobject_cast<const QLabel*>(dlg.GetDlgItem(IDC_COUNT)),
                       QStringLiteral("6303309"));
    return shown;
}

// What is wrong with the dialog under this process's fontconfig, or nothing.
std::string CheckFace(const FaceCase& c) {
    CTavroDlg dlg;
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) {
        return "not exposed";
    }
    const DialogUnits& units = dlg.dialogUnits();
    const std::string family = QFontInfo(dlg.font()).family().toStdString();
    std::fprintf(stderr, "%s: %dx%d px, base units %dx%d, scale %.3f\n", family.c_str(),
                 dlg.width(), dlg.height(), units.baseX(), units.baseY(), units.scale());
    std::string problems;
    if (family != c.family) {
        problems += "drawn in " + family + "; ";
    }
    if ((units.scale() > 1.0) != c.enlarged) {
        problems += "scale " + std::to_string(units.scale()) + "; ";
    }
    for (const auto& [label, text] : ShownTexts(dlg)) {
        const QFontMetrics metrics = label->fontMetrics();
        if (metrics.horizontalAdvance(text) > label->width() ||
            metrics.height() > label->height()) {
            problems += "clipped: " + text.toStdString() + "; ";
        }
    }
    return problems;
}

TEST(DialogFaceTest, IPAPGothicWhereInstalledElseNotoEnlargedAndNoTextClipped) {
    const bool hadConfig = qEnvironmentVariableIsSet("FONTCONFIG_FILE");
    const QByteArray config = qgetenv("FONTCONFIG_FILE");
    for (const FaceCase& c : kFaceCases) {
        SCOPED_TRACE(c.name);
        if (c.fontconfigFile != nullptr) {
            qputenv("FONTCONFIG_FILE", c.fontconfigFile);
        }
        EXPECT_EXIT(
            {
                const std::string problems = CheckFace(c);
                std::fprintf(stderr, "%s\n", problems.empty() ? "ok" : problems.c_str());
                std::fflush(stderr);
                std::_Exit(problems.empty() ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "(^|\n)ok\n$");
        if (hadConfig) {
            qputenv("FONTCONFIG_FILE", config);
        } else {
            qunsetenv("FONTCONFIG_FILE");
        }
    }
}

}  // namespace
