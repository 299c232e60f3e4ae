// The benchmark behind `make bench`. For each bound, over several rounds taken
// in turn so that they share the machine's moods: the processing interval on
// every path this processor runs against the literal loops, each both as the
// first run of a fresh process meets it, which is what the dialog shows (the
// headline: there the list's pages are first touched inside the interval),
// and repeated in this one process; `Prepare` against the allocate-and-fill it
// replaced; the body's file output against its floor. Then, in fresh child
// processes: `Prepare` as the first run of a program meets it, and a whole run
// with its peak resident memory. Last, the program's start-up to its first
// painted frame against a minimal Qt dialog's.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DialogFields.h"
#include "ListBytes.h"
#include "ListFile.h"
#include "LiteralSieve.h"
#include "PrebuiltBody.h"
#include "PrimeSieve.h"
#include "ProcessLimits.h"
#include "RunSearch.h"
#include "SearchHost.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;
constexpr int kStartupRounds = 11;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    std::exit(1);
}

// When a child was started, what it printed on its standard output and
// whether it succeeded. `environment` adds to the bench's own.
struct ChildResult {
    Clock::time_point started;
    std::string output;
    bool succeeded = false;
};

ChildResult RunChild(const std::vector<std::string>& command,
                     const std::vector<std::string>& environment = {}) {
    std::vector<char*> argv;
    for (const std::string& arg : command) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStrings(environment);
    for (char** e = environ; *e != nullptr; ++e) {
        envStrings.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        Fail("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ChildResult result;
    pid_t child = 0;
    result.started = Clock::now();
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return result;
    }
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    result.succeeded =
        ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

// A host with nobody behind it: the whole run, minus the dialog.
class SilentHost : public SearchHost {
public:
    void Pull() override {}
    void Push() override {}
    void ShowMessage(const std::string& text) override { Fail("the run said: " + text); }
    void OpenWithShell(const std::string&) override {}
};

// Runs a child of this bench and returns the milliseconds it printed, and the
// largest peak resident memory it and those before it printed in *peakKiB.
double ChildMilliseconds(const std::vector<std::string>& command, long* peakKiB = nullptr) {
    const ChildResult child = RunChild(command);
    if (!child.succeeded || child.output.empty()) {
        Fail(command[1] + " " + command[2] + " failed");
    }
    char* rest = nullptr;
    const double ms = std::strtod(child.output.c_str(), &rest);
    if (peakKiB != nullptr) {
        *peakKiB = std::max(*peakKiB, std::strtol(rest, nullptr, 10));
    }
    return ms;
}

// `Prepare` as it was before its pages were faulted in with one request: a
// plain heap block, filled, so the fill takes one fault per page.
struct PreparedBefore {
    std::unique_ptr<std::uint8_t[]> table;
    std::int32_t limit = 0;

    explicit PreparedBefore(std::int32_t n) {
        const std::int32_t top = n + 1;
        table = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(top) + 10);
        std::memset(table.get(), 1, static_cast<std::size_t>(top) + 5);
        table[0] = 0;
        table[1] = 0;
        table[2] = 1;
        limit = static_cast<std::int32_t>(std::sqrt(static_cast<double>(top))) + 5;
    }
};

// The processing interval, MarkAndCollect, as the first run of a fresh
// process meets it and repeated in one process.
struct PathFigure {
    SievePath path;
    double fresh = 0;
    double warm = 0;
};

struct Figures {
    std::vector<PathFigure> paths;  // the program's own path first
    double literalFresh = 0, literalWarm = 0;
    double prepare = 0, prepareBefore = 0;            // in this process
    double freshPrepare = 0, freshPrepareBefore = 0;  // first in a fresh process
    double body = 0, floor = 0;
    double run = 0;
    long peakKiB = 0;
    std::int64_t tableAndList = 0;
};

// Every path this processor runs, the program's own first.
std::vector<SievePath> MeasuredPaths() {
    std::vector<SievePath> paths = {BestSievePath()};
    for (const SievePath path : {SievePath::kAvx2, SievePath::kSse2, SievePath::kScalar}) {
        if (path != BestSievePath() && CanRunSievePath(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

// 1. The processing interval, MarkAndCollect, on every path this processor
//    runs and in the literal loops: each as the first run of a fresh process
//    (a child) meets it, and repeated in this process, in turn within each
//    round.
void MeasureSieve(const std::string& self, std::int32_t n, Figures& f) {
    const std::string bound = std::to_string(n);
    const std::vector<SievePath> paths = MeasuredPaths();
    std::vector<std::vector<double>> fresh(paths.size()), warm(paths.size());
    std::vector<double> literalFresh, literalWarm;
    for (int round = 0; round < kRounds; ++round) {
        std::int32_t count = -1;
        for (std::size_t p = 0; p < paths.size(); ++p) {
            const std::string name(SievePathName(paths[p]));
            fresh[p].push_back(ChildMilliseconds({self, "--processing", bound, name}));
            PrimeSieve s(paths[p]);
            s.Prepare(n);
            const auto start = Clock::now();
            const PrimeList list = s.MarkAndCollect();
            warm[p].push_back(MillisecondsSince(start));
            if (count >= 0 && list.count() != count) {
                Fail("the paths disagree at " + std::to_string(n));
            }
            count = list.count();
            f.tableAndList = std::int64_t{n} + 11 + 4 * std::int64_t{list.capacity()};
        }
        literalFresh.push_back(ChildMilliseconds({self, "--literal", bound}));
        LiteralSieve l;
        l.Prepare(n);
        const auto literalStart = Clock::now();
        l.MarkAndCollect();
        literalWarm.push_back(MillisecondsSince(literalStart));
        if (l.primes.size() != static_cast<std::size_t>(count)) {
            Fail("the sieve and the literal loops disagree at " + std::to_string(n));
        }
    }
    for (std::size_t p = 0; p < paths.size(); ++p) {
        f.paths.push_back({paths[p], Median(fresh[p]), Median(warm[p])});
    }
    f.literalFresh = Median(literalFresh);
    f.literalWarm = Median(literalWarm);
}

// 2. Prepare, ours and the one before, each released before the next, which
//    goes first alternating from round to round.
void MeasurePrepare(std::int32_t n, Figures& f) {
    std::vector<double> prepare, before;
    for (int round = 0; round < 2 * kRounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const auto start = Clock::now();
            if ((round + turn) % 2 == 0) {
                PrimeSieve s;
                s.Prepare(n);
                prepare.push_back(MillisecondsSince(start));
            } else {
                const PreparedBefore table(n);
                before.push_back(MillisecondsSince(start));
            }
        }
    }
    f.prepare = Median(prepare);
    f.prepareBefore = Median(before);
}

// 3. The body: the real writer and the floor, in turn within each round, each
//    timed from its first byte to its last, without the opening and closing
//    of its file; both files must hold the same bytes.
void MeasureBody(std::int32_t n, Figures& f) {
    PrimeSieve s;
    s.Prepare(n);
    PrimeList list = s.MarkAndCollect();
    s.ReleaseTable();
    const PrebuiltBody prebuilt(list);
    std::vector<double> body, floor;
    for (int round = 0; round < kRounds; ++round) {
        {
            TextFileStream stream("body-ours.txt");
            const auto start = Clock::now();
            WritePrimeList(stream, list);
            body.push_back(MillisecondsSince(start));
            if (!stream.Close()) {
                Fail("cannot write body-ours.txt");
            }
        }
        {
            const int fd = ::open("body-floor.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            const auto start = Clock::now();
            const bool written = fd >= 0 && prebuilt.WriteTo(fd);
            floor.push_back(MillisecondsSince(start));
            if (!written || ::close(fd) != 0) {
                Fail("cannot write body-floor.txt");
            }
        }
    }
    if (ReadFileBytes("body-ours.txt") != ReadFileBytes("body-floor.txt")) {
        Fail("the body writers disagree at " + std::to_string(n));
    }
    f.body = Median(body);
    f.floor = Median(floor);
}

// 4. Fresh processes, as a program's first run meets them: Prepare (both
//    ways, in turn), and a whole run, from the press to the closed files, with
//    its peak resident memory.
void MeasureFreshProcesses(const std::string& self, std::int32_t n, Figures& f) {
    const std::string bound = std::to_string(n);
    std::vector<double> prepare, before, runs;
    for (int round = 0; round < kRounds; ++round) {
        prepare.push_back(ChildMilliseconds({self, "--prepare", bound}));
        before.push_back(ChildMilliseconds({self, "--prepare-before", bound}));
        runs.push_back(ChildMilliseconds({self, "--whole-run", bound}, &f.peakKiB));
    }
    f.freshPrepare = Median(prepare);
    f.freshPrepareBefore = Median(before);
    f.run = Median(runs);
}

// The process's peak resident memory in KiB (VmHWM), which starts afresh at
// exec, unlike the rusage figure, which also counts the parent's memory a
// spawned child shared before it.
long PeakResidentKiB() {
    return static_cast<long>(ProcessStatusKiB("VmHWM:"));
}

// The path named `name`; the bench's children are told it by name.
SievePath PathNamed(const std::string& name) {
    for (const SievePath path : MeasuredPaths()) {
        if (SievePathName(path) == name) {
            return path;
        }
    }
    Fail("no sieve path here is called " + name);
}

// The children's side of step 4: the milliseconds, and for a whole run the
// peak resident memory. `path` names the sieve's path for --processing.
int ChildMain(const std::string& mode, const char* bound, const std::string& path) {
    const std::int32_t n = std::atoi(bound);
    double ms = 0;
    if (mode == "--processing") {
        PrimeSieve s(PathNamed(path));
        s.Prepare(n);
        const auto start = Clock::now();
        const PrimeList list = s.MarkAndCollect();
        ms = MillisecondsSince(start);
    } else if (mode == "--literal") {
        LiteralSieve l;
        l.Prepare(n);
        const auto start = Clock::now();
        l.MarkAndCollect();
        ms = MillisecondsSince(start);
    } else if (mode == "--prepare") {
        PrimeSieve s;
        const auto start = Clock::now();
        s.Prepare(n);
        ms = MillisecondsSince(start);
    } else if (mode == "--prepare-before") {
        const auto start = Clock::now();
        const PreparedBefore before(n);
        ms = MillisecondsSince(start);
    } else {
        DialogFields fields;
        fields.m_strUpper = bound;
        SilentHost host;
        const auto start = Clock::now();
        RunSearch(fields, host);
        ms = MillisecondsSince(start);
    }
    std::printf("%.3f %ld\n", ms, PeakResidentKiB());
    return 0;
}

void Print(std::int32_t n, const Figures& f) {
    std::printf("\nn = %d (medians of %d rounds, ms)\n", n, kRounds);
    std::printf(
        "  processing / literal loops: first in a fresh process, as the dialog shows it | "
        "warm, repeated in one process\n");
    for (std::size_t p = 0; p < f.paths.size(); ++p) {
        const PathFigure& path = f.paths[p];
        std::printf("  processing  %-6s %7.1f / %7.1f = %.3f  |  warm %7.1f / %7.1f = %.3f%s\n",
                    std::string(SievePathName(path.path)).c_str(), path.fresh, f.literalFresh,
                    path.fresh / f.literalFresh, path.warm, f.literalWarm,
                    path.warm / f.literalWarm,
                    p == 0 ? "  (the program's path; target <= 0.08)" : "");
    }
    std::printf("  Prepare     %8.2f   before %8.2f   ratio %.3f  in this process  (target <= 1)\n",
                f.prepare, f.prepareBefore, f.prepare / f.prepareBefore);
    std::printf("              %8.2f   before %8.2f   ratio %.3f  first in a fresh process\n",
                f.freshPrepare, f.freshPrepareBefore, f.freshPrepare / f.freshPrepareBefore);
    std::printf("  body        %8.1f   floor  %8.1f   ratio %.3f  (target <= 1.1)\n", f.body,
                f.floor, f.body / f.floor);
    const double peakBytes = static_cast<double>(f.peakKiB) * 1024;
    std::printf(
        "  whole run   %8.1f   in a fresh process; peak RSS %.1f MB, table+list %.1f MB, ratio "
        "%.3f  (target <= 1.05 at 110000000)\n",
        f.run, peakBytes / 1e6, static_cast<double>(f.tableAndList) / 1e6,
        peakBytes / static_cast<double>(f.tableAndList));
    std::fflush(stdout);
}

// 5. Start-up: the program and its minimal twin, each started afresh in
//    turn, from the moment the process is started to its first painted frame.
void MeasureStartup(const std::string& self) {
    const std::string probe = (fs::path(self).parent_path() / "tavro_startup_probe").string();
    std::printf("\nstart-up to the first painted frame (offscreen, fresh processes)\n");
    if (!fs::exists(probe)) {
        std::printf("  skipped: %s was not built (the dialog is off)\n", probe.c_str());
        return;
    }
    const std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen"};
    std::vector<double> program, twin;
    for (int round = -1; round < kStartupRounds; ++round) {  // round -1 warms the caches
        for (const char* which : {"program", "twin"}) {
            const ChildResult child = RunChild({probe, which}, environment);
            const auto startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     child.started.time_since_epoch())
                                     .count();
            if (!child.succeeded || child.output.empty()) {
                Fail(std::string("the start-up probe failed: ") + which);
            }
            const double ms = static_cast<double>(std::atoll(child.output.c_str()) - startNs) / 1e6;
            if (round >= 0) {
                (std::string(which) == "program" ? program : twin).push_back(ms);
            }
        }
    }
    std::printf("  ZazivadeZaz32 %8.1f   minimal QDialog %8.1f   ratio %.3f  (medians of %d)\n",
                Median(program), Median(twin), Median(program) / Median(twin), kStartupRounds);
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 4) && std::string(argv[1]).rfind("--", 0) == 0) {
        return ChildMain(argv[1], argv[2], argc == 4 ? argv[3] : "");
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::vector<std::int32_t> bounds = {10000000, 110000000};
    if (argc > 1) {
        bounds.clear();
        for (int i = 1; i < argc; ++i) {
            bounds.push_back(std::atoi(argv[i]));
        }
    }
    // Every file goes to a directory of our own, removed at the end.
    std::string dir = (fs::temp_directory_path() / "tavro-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        Fail("mkdtemp");
    }
    fs::current_path(dir);
    std::printf("tavro bench: the program's sieve path here is %s; files in %s\n",
                std::string(SievePathName(BestSievePath())).c_str(), dir.c_str());
    for (const std::int32_t n : bounds) {
        Figures f;
        MeasureSieve(self, n, f);
        MeasurePrepare(n, f);
        MeasureBody(n, f);
        MeasureFreshProcesses(self, n, f);
        Print(n, f);
        for (const auto& entry : fs::directory_iterator(".")) {
            fs::remove(entry.path());
        }
    }
    fs::current_path("/");
    fs::remove_all(dir);
    MeasureStartup(self);
    return 0;
}
