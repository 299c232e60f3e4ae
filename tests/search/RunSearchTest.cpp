#include "RunSearch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "ListFile.h"
#include "RecordingHost.h"
#include "TempWorkDir.h"

namespace fs = std::filesystem;

namespace {

// The dialog's state after start-up, with `upper` typed into the bound field.
DialogFields TypedIntoFreshDialog(const std::string& upper) {
    DialogFields shown;
    shown.m_strUpper = upper;
    shown.m_strLower = "2";
    shown.m_strState = "入力待ち";
    return shown;
}

struct DialogRun {
    DialogFields fields;
    RecordingHost host{fields};

    explicit DialogRun(const std::string& upper) { host.controls = TypedIntoFreshDialog(upper); }
    void Start() { RunSearch(fields, host); }
};

struct RejectCase {
    std::string text;
    std::string message;
};

TEST(RunSearchTest, RejectedBoundsShowOneMessageAndNothingElse) {
    const RejectCase cases[] = {
        {"110000001", "範囲が大きすぎます"},
        {"2147483648", "範囲が大きすぎます"},
        {"4294967396", "範囲が大きすぎます"},
        {"99999999999999999999", "範囲が大きすぎます"},
        {"1", "範囲が不当です"},
        {"0", "範囲が不当です"},
        {"-7", "範囲が不当です"},
        {"", "範囲が不当です"},
        {"abc", "範囲が不当です"},
        {"１００", "範囲が不当です"},
        {"\u3000100", "範囲が不当です"},
        {"-2147483649", "範囲が不当です"},
        {"-4294967196", "範囲が不当です"},
    };
    for (const RejectCase& c : cases) {
        TempWorkDir dir;
        DialogRun run(c.text);
        run.host.controls.m_strCount = "25";  // an earlier run's result stays shown
        const DialogFields before = run.host.controls;
        run.Start();
        SCOPED_TRACE("text: \"" + c.text + "\"");
        EXPECT_EQ(run.host.calls, (std::vector<std::string>{"Pull", "Message:" + c.message}));
        EXPECT_EQ(run.host.controls.m_strCount, before.m_strCount);
        EXPECT_EQ(run.host.controls.m_strState, before.m_strState);
        EXPECT_TRUE(fs::is_empty(dir.path())) << "a rejected bound created a file";
    }
}

// The list file of an accepted run, rebuilt from what the run put in the fields.
std::string ExpectedFooter(const DialogFields& f) {
    return "\r\n" + std::string(list_labels::kCountBefore) + f.m_strCount +
           std::string(list_labels::kCountAfter) + "\r\n" +
           std::string(list_labels::kProcessingTime) + f.m_strElapsed + "\r\n" +
           std::string(list_labels::kFileOutputTime) + f.m_strFileTime + "\r\n";
}

struct AcceptCase {
    std::string text;
    std::int32_t n;
    std::string count;
    std::string body;  // empty: not checked here
};

TEST(RunSearchTest, AcceptedRunPushesThreeTimesAndWritesBothFiles) {
    const AcceptCase cases[] = {
        {"2", 2, "1", "2"},
        {"10", 10, "4", "2\t3\t5\t7"},
        {"  100abc", 100, "25", ""},
        {"+100", 100, "25", ""},
        {"00011", 11, "5", "2\t3\t5\t7\t11\r\n"},
        {"1000000", 1000000, "78498", ""},
    };
    for (const AcceptCase& c : cases) {
        TempWorkDir dir;
        DialogRun run(c.text);
        run.Start();
        const std::string name = "2-" + std::to_string(c.n) + ".txt";
        SCOPED_TRACE("text: \"" + c.text + "\"");
        EXPECT_EQ(run.host.calls,
                  (std::vector<std::string>{"Pull", "Push", "Push", "Open:" + name, "Push"}));
        ASSERT_EQ(run.host.pushes.size(), 3u);
        const DialogFields& first = run.host.pushes[0];
        const DialogFields& second = run.host.pushes[1];
        const DialogFields& last = run.host.pushes[2];
        EXPECT_EQ(first.m_strState, "処理中");
        EXPECT_EQ(second.m_strState, "ファイル出力中");
        EXPECT_EQ(last.m_strState, "入力待ち");
        // Results appear only with the last push; the typed text is kept.
        for (const DialogFields* f : {&first, &second}) {
            EXPECT_EQ(f->m_strCount, "");
            EXPECT_EQ(f->m_strElapsed, "");
            EXPECT_EQ(f->m_strFileTime, "");
        }
        EXPECT_EQ(last.m_strUpper, c.text);
        EXPECT_EQ(last.m_strLower, "2");
        EXPECT_EQ(last.m_strCount, c.count);
        for (const std::string& ms : {last.m_strElapsed, last.m_strFileTime}) {
            ASSERT_FALSE(ms.empty());
            EXPECT_EQ(ms.find_first_not_of("0123456789"), std::string::npos) << ms;
        }
        const std::string bytes = ReadFileBytes(name);
        const std::string footer = ExpectedFooter(last);
        ASSERT_GE(bytes.size(), footer.size());
        EXPECT_EQ(bytes.substr(bytes.size() - footer.size()), footer);
        if (!c.body.empty()) {
            EXPECT_EQ(bytes, c.body + footer);
        }
        ASSERT_TRUE(fs::exists("debug.txt"));
        EXPECT_EQ(fs::file_size("debug.txt"), 0u);
        EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
    }
}

TEST(RunSearchTest, LargestBoundIsAccepted) {
    TempWorkDir dir;
    DialogRun run("110000000");
    run.Start();
    ASSERT_EQ(run.host.pushes.size(), 3u);
    EXPECT_EQ(run.fields.m_strCount, "6303309");
    const std::string bytes = ReadFileBytes("2-110000000.txt");
    EXPECT_EQ(bytes.substr(bytes.size() - ExpectedFooter(run.fields).size()),
              ExpectedFooter(run.fields));
    EXPECT_EQ(bytes.find("109999993\r\n\r\n"), std::string::npos);  // 6303309 % 5 = 4
    EXPECT_NE(bytes.find("\t109999993\r\n\x91\x66"), std::string::npos);
}

TEST(RunSearchTest, EarlierFilesAreReplacedOrKept) {
    TempWorkDir dir;
    {
        std::ofstream("debug.txt") << "left over";
        std::ofstream("2-10.txt") << std::string(5000, 'x');
        std::ofstream("2-20.txt") << "an earlier run";
    }
    DialogRun run("10");
    run.Start();
    EXPECT_EQ(fs::file_size("debug.txt"), 0u);
    EXPECT_EQ(ReadFileBytes("2-10.txt"), "2\t3\t5\t7" + ExpectedFooter(run.fields));
    EXPECT_EQ(ReadFileBytes("2-20.txt"), "an earlier run");
}

TEST(RunSearchTest, SecondRunStartsFromTheFieldsAsShown) {
    TempWorkDir dir;
    DialogRun run("100");
    run.Start();
    run.host.controls.m_strUpper = "1";
    run.Start();
    EXPECT_EQ(run.host.messages, (std::vector<std::string>{"範囲が不当です"}));
    EXPECT_EQ(run.host.controls.m_strCount, "25");  // the first run's result stays
}

// A directory where the list file should go: the run completes, reports the
// failure once after its last push, and leaves the directory alone.
TEST(RunSearchTest, UnwritableListFileIsReportedNotOpened) {
    TempWorkDir dir;
    fs::create_directory("2-100.txt");
    DialogRun run("100");
    run.Start();
    EXPECT_EQ(run.host.calls,
              (std::vector<std::string>{"Pull", "Push", "Push", "Push",
                                        "Message:ファイル 2-100.txt を書き込めませんでした"}));
    EXPECT_EQ(run.fields.m_strCount, "25");
    EXPECT_EQ(run.fields.m_strState, "入力待ち");
    EXPECT_TRUE(fs::is_directory("2-100.txt"));
    EXPECT_EQ(fs::file_size("debug.txt"), 0u);
}

TEST(RunSearchTest, FileSizeLimitMidBodyRemovesTheIncompleteFile) {
    TempWorkDir dir;
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
    DialogRun run("100000");
    run.Start();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(run.host.calls,
              (std::vector<std::string>{"Pull", "Push", "Push", "Push",
                                        "Message:ファイル 2-100000.txt を書き込めませんでした"}));
    EXPECT_EQ(run.fields.m_strCount, "9592");
    EXPECT_FALSE(fs::exists("2-100000.txt"));
    EXPECT_TRUE(fs::exists("debug.txt"));
}

}  // namespace
