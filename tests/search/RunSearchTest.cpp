#include "RunSearch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ListBytes.h"
#include "RecordingHost.h"
#include "TempWorkDir.h"

namespace fs = std::filesystem;

namespace {

struct RejectCase {
    std::string text;
    std::string message;
};

TEST(RunSearchTest, RejectedBoundsShowOneMessageAndNothingElse) {
    // The edges of the accepted range; a number beyond 32 bits must not wrap
    // into it. How texts read is BoundParserTest's.
    const RejectCase cases[] = {
        {"110000001", "範囲が大きすぎます"},
        {"4294967396", "範囲が大きすぎます"},
        {"1", "範囲が不当です"},
        {"", "範囲が不当です"},
    };
    for (const RejectCase& c : cases) {
        TempWorkDir dir;
        RecordedRun run(c.text);
        run.host.controls.m_strCount = "25";  // an earlier run's result stays shown
        const DialogFields before = run.host.controls;
        run.Start();
        SCOPED_TRACE("text: \"" + c.text.substr(0, 40) + "\"");
        EXPECT_EQ(run.host.calls, (std::vector<std::string>{"Pull", "Message:" + c.message}));
        EXPECT_EQ(run.host.controls.m_strCount, before.m_strCount);
        EXPECT_EQ(run.host.controls.m_strState, before.m_strState);
        EXPECT_TRUE(fs::is_empty(dir.path())) << "a rejected bound created a file";
    }
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
        {"1000000", 1000000, "78498", ""},
    };
    for (const AcceptCase& c : cases) {
        TempWorkDir dir;
        RecordedRun run(c.text);
        run.Start();
        const std::string name = "2-" + std::to_string(c.n) + ".txt";
        SCOPED_TRACE("text: \"" + c.text.substr(0, 40) + "\"");
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
    RecordedRun run("110000000");
    run.Start();
    ASSERT_EQ(run.host.pushes.size(), 3u);
    EXPECT_EQ(run.fields.m_strCount, "6303309");
    const std::string bytes = ReadFileBytes("2-110000000.txt");
    EXPECT_EQ(bytes.substr(bytes.size() - ExpectedFooter(run.fields).size()),
              ExpectedFooter(run.fields));
    EXPECT_EQ(bytes.find("109999993\r\n\r\n"), std::string::npos);  // 6303309 % 5 = 4
    EXPECT_NE(bytes.find("\t109999993\r\n\x91\x66"), std::string::npos);
}

TEST(RunSearchTest, SecondRunStartsFromTheFieldsAsShown) {
    TempWorkDir dir;
    RecordedRun run("100");
    run.Start();
    run.host.controls.m_strUpper = "1";
    run.Start();
    EXPECT_EQ(run.host.messages, (std::vector<std::string>{"範囲が不当です"}));
    EXPECT_EQ(run.host.controls.m_strCount, "25");  // the first run's result stays
}

}  // namespace
