// Many runs in one process, through every outcome, must leave the process as
// they found it: the same open file descriptors and, in the normal build, the
// same heap in use. Under AddressSanitizer LeakSanitizer checks the heap at exit.

#include <malloc.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>

#include "ProcessLimits.h"
#include "RecordingHost.h"
#include "TempWorkDir.h"

namespace fs = std::filesystem;

namespace {

std::size_t HeapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

enum class Outcome { kWritten, kWriteFailed, kRejected };

// One run of `upper` in the working directory; what the user saw at its end.
Outcome RunOnce(const std::string& upper) {
    RecordedRun run(upper);
    run.Start();
    const std::string& last = run.host.calls.back();
    if (last == "Push") {
        return Outcome::kWritten;
    }
    return last.find("書き込めません") != std::string::npos ? Outcome::kWriteFailed
                                                            : Outcome::kRejected;
}

struct Plan {
    std::string upper;
    Outcome expected;
    bool listIsDirectory;  // a directory blocks the list file's name
    bool debugIsDirectory;
};

// Run i of the small-bound series: mostly written, every 10th rejected, every
// 7th against a blocked list file name, every 11th with "debug.txt" blocked.
Plan SmallRun(int i) {
    if (i % 10 == 9) {
        return {i % 20 == 9 ? "0" : "110000001", Outcome::kRejected, false, false};
    }
    const std::string upper = std::to_string(2 + i % 200);
    const bool blocked = i % 7 == 3;
    return {upper, blocked ? Outcome::kWriteFailed : Outcome::kWritten, blocked, i % 11 == 5};
}

void Execute(const Plan& plan, int i) {
    const std::string list = "2-" + plan.upper + ".txt";
    if (plan.listIsDirectory) {
        fs::remove(list);  // an earlier run's file of that name
        fs::create_directory(list);
    }
    if (plan.debugIsDirectory) {
        fs::remove("debug.txt");
        fs::create_directory("debug.txt");
    }
    const Outcome outcome = RunOnce(plan.upper);
    if (outcome != plan.expected) {
        ADD_FAILURE() << "run " << i << " of \"" << plan.upper << "\" ended otherwise";
    }
    std::error_code ignored;
    if (plan.listIsDirectory) {
        fs::remove(list, ignored);
    }
    if (plan.debugIsDirectory) {
        fs::remove("debug.txt", ignored);
    }
}

struct Series {
    const char* name;
    // Runs before the first count: the library's and the runtime's first-use
    // allocations, and malloc's per-size caches, which fill once per block size.
    int warmUp;
    int runs;
    Plan (*plan)(int);
};

TEST(EnduranceTest, NoDescriptorOrHeapGrowthOverManyRuns) {
    const Series series[] = {
        {"2000 runs at small bounds", 200, 2000, SmallRun},
        {"20 runs at 10^6", 5, 20,
         [](int i) {
             return Plan{"1000000", i % 5 == 4 ? Outcome::kWriteFailed : Outcome::kWritten,
                         i % 5 == 4, false};
         }},
    };
    for (const Series& s : series) {
        SCOPED_TRACE(s.name);
        TempWorkDir dir;
        for (int i = 0; i < s.warmUp; ++i) {
            Execute(s.plan(i), i);
        }
        const std::size_t fdsBefore = OpenDescriptorNumbers().size();
        const std::size_t heapBefore = HeapInUse();
        for (int i = s.warmUp; i < s.warmUp + s.runs; ++i) {
            Execute(s.plan(i), i);
        }
        EXPECT_EQ(OpenDescriptorNumbers().size(), fdsBefore);
        if (!BuiltWithAddressSanitizer()) {
            EXPECT_EQ(HeapInUse(), heapBefore);
        }
    }
}

}  // namespace
