// The face the dialog is drawn in under each locale and set of fonts, the
// window's size in it, and every text it shows unclipped in every installed
// style. Fontconfig reads its configuration and the C library its locale once
// per process, so each row is checked in a child that re-executes this binary
// ("threadsafe" death tests) with the row's environment; a forked child would
// keep whatever fontconfig this process has loaded already.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QTest>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "SearchLimits.h"
#include "SearchTexts.h"
#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct FaceCase {
    const char* name;
    const char* locale;          // LC_ALL and LANG, compiled by GenerateLocale
    const char* fontconfigFile;  // null: the system's configuration
    const char* family;          // the face, as Qt names its family in that locale
    bool designed;               // kDesignedSize; else enlarged beyond the face's base units
};

const FaceCase kFaceCases[] = {
    // Fontconfig names IPAPGothic by the locale's language first.
    {"Japanese", "ja_JP.UTF-8", nullptr, "IPA Pゴシック", true},
    {"C", "C.UTF-8", nullptr, "IPAPGothic", true},
    {"English", "en_US.UTF-8", nullptr, "IPAPGothic", true},
    // fonts-ipafont-gothic alone, the package's first choice.
    {"JapaneseIpaOnly", "ja_JP.UTF-8", TAVRO_DIALOG_TEST_DIR "/fonts-without-noto.conf",
     "IPA Pゴシック", true},
    // Asked for the missing face, fontconfig offers Noto Sans CJK JP under
    // ja_JP and DejaVu Sans under C; neither is it.
    {"JapaneseWithoutIpa", "ja_JP.UTF-8", TAVRO_DIALOG_TEST_DIR "/fonts-without-ipa.conf",
     "Noto Sans CJK JP", false},
    {"CWithoutIpa", "C.UTF-8", TAVRO_DIALOG_TEST_DIR "/fonts-without-ipa.conf", "Noto Sans CJK JP",
     false},
};

void PrintTo(const FaceCase& c, std::ostream* os) {
    *os << c.name;
}

// The template at IPAPGothic's base units, 7 × 13 px.
constexpr QSize kDesignedSize(221, 154);

// The Qt 6 styles Debian ships (the last two with adwaita-qt6); every
// installed style is checked, and these must be among them.
constexpr const char* kDebianStyles[] = {"Fusion", "Windows", "Adwaita", "Adwaita-Dark"};

// Compiles `locale` from Debian's sources (package `locales`) into the build's
// own locale directory, which the rows' LOCPATH names, unless it is there
// already: the rows need neither root nor the system's generated locales.
// Built in a scratch directory and renamed into place whole, so test processes
// running side by side never see half a locale. Returns what went wrong, or
// nothing.
std::string GenerateLocale(const std::string& locale) {
    const fs::path dir = TAVRO_DIALOG_LOCALE_DIR;
    const fs::path target = dir / locale;
    if (fs::exists(target / "LC_CTYPE")) {
        return {};
    }
    std::error_code error;
    fs::create_directories(dir, error);
    std::string scratch = (dir / ".new-XXXXXX").string();
    if (::mkdtemp(scratch.data()) == nullptr) {
        return "cannot make a directory in " + dir.string();
    }
    const std::string::size_type dot = locale.find('.');
    std::string input = locale.substr(0, dot);
    std::string charmap = locale.substr(dot + 1);
    std::string output = (fs::path(scratch) / locale).string();
    std::string tool = "localedef";
    std::string inputFlag = "-i";
    std::string charmapFlag = "-f";
    char* argv[] = {tool.data(),    inputFlag.data(), input.data(), charmapFlag.data(),
                    charmap.data(), output.data(),    nullptr};
    pid_t pid = 0;
    int status = -1;
    std::string problem;
    if (::posix_spawnp(&pid, tool.c_str(), nullptr, nullptr, argv, environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        problem = "localedef -i " + input + " -f " + charmap + " failed (status " +
                  std::to_string(status) + "; scripts/install-deps test installs `locales`)";
    } else if (::rename(output.c_str(), target.c_str()) != 0 && !fs::exists(target / "LC_CTYPE")) {
        problem = "cannot move the locale to " + target.string();
    }
    fs::remove_all(scratch, error);
    return problem;
}

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

// QLineEdit's style option, which it builds in a protected member.
struct EditOption : QLineEdit {
    using QLineEdit::initStyleOption;
};

// The texts of `dlg` that its controls would cut off, in its current style.
// An edit draws its line inside the style's contents rectangle less its text
// margins, 2 px in from either side, and clips it there; the widest bound must
// fit whole.
std::string ClippedTexts(const CTavroDlg& dlg) {
    std::string clipped;
    for (const auto& [label, text] : ShownTexts(dlg)) {
        const QFontMetrics metrics = label->fontMetrics();
        if (metrics.horizontalAdvance(text) > label->width() ||
            metrics.height() > label->height()) {
            clipped += text.toStdString() + "; ";
        }
    }
    const QString widest = QString::number(kMaxUpperBound);
    for (const QLineEdit* edit : dlg.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
        QStyleOptionFrame option;
        (edit->*&EditOption::initStyleOption)(&option);
        const QRect line = edit->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(edit->textMargins());
        const QFontMetrics metrics = edit->fontMetrics();
        if (line.height() < metrics.height() ||
            line.width() - 4 < metrics.horizontalAdvance(widest)) {
            clipped += edit->objectName().toStdString() + " line " + std::to_string(line.width()) +
                       "x" + std::to_string(line.height()) + " for " +
                       std::to_string(metrics.horizontalAdvance(widest)) + "x" +
                       std::to_string(metrics.height()) + "; ";
        }
    }
    return clipped;
}

// What is wrong with the dialog in this process's locale and fonts, or nothing.
std::string CheckFace(const FaceCase& c) {
    std::string problems;
    const char* locale = std::setlocale(LC_ALL, nullptr);
    if (locale == nullptr || std::string(locale) != c.locale) {
        problems += std::string("in locale ") + (locale != nullptr ? locale : "?") + "; ";
    }
    {
        CTavroDlg dlg;
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg)) {
            return problems + "not exposed";
        }
        const DialogUnits& units = dlg.dialogUnits();
        const std::string family = QFontInfo(dlg.font()).family().toStdString();
        std::fprintf(stderr, "%s: %dx%d px, base units %dx%d, scale %.3f\n", family.c_str(),
                     dlg.width(), dlg.height(), units.baseX(), units.baseY(), units.scale());
        if (family != c.family) {
            problems += "drawn in " + family + "; ";
        }
        if (c.designed ? dlg.size() != kDesignedSize : units.scale() <= 1.0) {
            problems +=
                "size " + std::to_string(dlg.width()) + "x" + std::to_string(dlg.height()) + "; ";
        }
    }
    for (const QString& style : QStyleFactory::keys()) {
        QApplication::setStyle(style);
        CTavroDlg dlg;
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg)) {
            problems += style.toStdString() + ": not exposed; ";
            continue;
        }
        const std::string clipped = ClippedTexts(dlg);
        if (!clipped.empty()) {
            problems += style.toStdString() + " clips " + clipped;
        }
    }
    return problems;
}

// Sets an environment variable for the life of the object (null: unset).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value != nullptr) {
            qputenv(name, value);
        } else {
            qunsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

class DialogFaceTest : public ::testing::TestWithParam<FaceCase> {};

TEST(DialogStyleTest, DebianStylesInstalled) {
    const QStringList keys = QStyleFactory::keys();
    for (const char* style : kDebianStyles) {
        EXPECT_TRUE(keys.contains(QString::fromLatin1(style), Qt::CaseInsensitive))
            << style << " is not installed (scripts/install-deps test installs adwaita-qt6)";
    }
}

TEST_P(DialogFaceTest, FaceSizeAndNoTextClippedInAnyStyle) {
    const FaceCase& c = GetParam();
    const std::string problem = GenerateLocale(c.locale);
    ASSERT_EQ(problem, "");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const ScopedEnv locpath("LOCPATH", TAVRO_DIALOG_LOCALE_DIR);
    const ScopedEnv all("LC_ALL", c.locale);
    const ScopedEnv lang("LANG", c.locale);
    const ScopedEnv fontconfig("FONTCONFIG_FILE", c.fontconfigFile);
    EXPECT_EXIT(
        {
            const std::string problems = CheckFace(c);
            std::fprintf(stderr, "%s\n", problems.empty() ? "ok" : problems.c_str());
            std::fflush(stderr);
            std::_Exit(problems.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "(^|\n)ok\n$");
}

INSTANTIATE_TEST_SUITE_P(, DialogFaceTest, ::testing::ValuesIn(kFaceCases),
                         [](const ::testing::TestParamInfo<FaceCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
