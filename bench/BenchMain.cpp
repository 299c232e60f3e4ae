// The benchmark behind `make bench`: for each bound, over several rounds in
// this one process, the processing interval against the literal loops, the
// body's file output against its floor and against an ofstream writer, and a
// whole run in a fresh child process with its peak resident memory.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DialogFields.h"
#include "ListFile.h"
#include "LiteralSieve.h"
#include "PrimeSieve.h"
#include "ReferenceWriters.h"
#include "RunSearch.h"
#include "SearchHost.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string ReadAll(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
    std::exit(1);
}

// A host with nobody behind it: the whole run, minus the dialog.
class SilentHost : public SearchHost {
public:
    void Pull() override {}
    void Push() override {}
    void ShowMessage(const std::string& text) override { Fail("the run said: " + text); }
    void OpenWithShell(const std::string&) override {}
};

struct Figures {
    double sieve = 0, literal = 0;
    double body = 0, floor = 0, ofstream = 0;
    double run = 0;
    long peakKiB = 0;
    std::int64_t tableAndList = 0;
};

// 1. The processing interval: MarkAndCollect, the real one and the literal one.
void MeasureProcessing(std::int32_t n, Figures& f) {
    std::vector<double> sieve, literal;
    for (int round = 0; round < kRounds; ++round) {
        PrimeSieve s;
        s.Prepare(n);
        const auto start = Clock::now();
        PrimeList list = s.MarkAndCollect();
        sieve.push_back(MillisecondsSince(start));
        s.ReleaseTable();
        f.tableAndList = std::int64_t{n} + 11 + 4 * std::int64_t{list.capacity()};

        LiteralSieve l;
        l.Prepare(n);
        const auto literalStart = Clock::now();
        l.MarkAndCollect();
        literal.push_back(MillisecondsSince(literalStart));
        if (l.primes.size() != static_cast<std::size_t>(list.count())) {
            Fail("the sieves disagree at " + std::to_string(n));
        }
    }
    f.sieve = Median(sieve);
    f.literal = Median(literal);
}

// 2. The body: the real writer, the floor and the ofstream writer, in turn
//    within each round so that they share the machine's moods. Each is timed
//    from its first byte to its last, without the opening and closing of its
//    file; all three files must hold the same bytes.
void MeasureBody(std::int32_t n, Figures& f) {
    PrimeSieve s;
    s.Prepare(n);
    PrimeList list = s.MarkAndCollect();
    s.ReleaseTable();
    const PrebuiltBody prebuilt(list);
    std::vector<double> body, floor, ofstream;
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
        {
            std::ofstream out("body-ofstream.txt", std::ios::out | std::ios::binary);
            const auto start = Clock::now();
            const bool written = WriteBodyWithOfstream(out, list);
            ofstream.push_back(MillisecondsSince(start));
            out.close();
            if (!written || !out) {
                Fail("cannot write body-ofstream.txt");
            }
        }
    }
    const std::string ours = ReadAll("body-ours.txt");
    if (ours != ReadAll("body-floor.txt") || ours != ReadAll("body-ofstream.txt")) {
        Fail("the body writers disagree at " + std::to_string(n));
    }
    f.body = Median(body);
    f.floor = Median(floor);
    f.ofstream = Median(ofstream);
}

// 3. A whole run, from the press to the closed files, in a fresh process of
//    its own so that its peak resident memory is its own.
void MeasureWholeRun(const char* self, std::int32_t n, Figures& f) {
    std::vector<double> runs;
    for (int round = 0; round < kRounds; ++round) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            Fail("pipe");
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::execl(self, self, "--whole-run", std::to_string(n).c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        char buffer[64] = {};
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer - 1);
        ::close(pipeFds[0]);
        int status = 0;
        rusage usage{};
        if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0 || got <= 0) {
            Fail("the whole run at " + std::to_string(n) + " failed");
        }
        runs.push_back(std::atof(buffer));
        f.peakKiB = std::max(f.peakKiB, usage.ru_maxrss);
    }
    f.run = Median(runs);
}

int WholeRun(const char* bound) {
    DialogFields fields;
    fields.m_strUpper = bound;
    SilentHost host;
    const auto start = Clock::now();
    RunSearch(fields, host);
    std::printf("%.3f\n", MillisecondsSince(start));
    return 0;
}

void Print(std::int32_t n, const Figures& f) {
    const double peakBytes = static_cast<double>(f.peakKiB) * 1024;
    std::printf("\nn = %d (medians of %d rounds, ms)\n", n, kRounds);
    std::printf("  processing  sieve %9.1f   literal loops %9.1f   ratio %.3f  (target <= 0.25)\n",
                f.sieve, f.literal, f.sieve / f.literal);
    std::printf("  body        ours  %9.1f   floor         %9.1f   ratio %.3f  (target <= 1.1)\n",
                f.body, f.floor, f.body / f.floor);
    std::printf(
        "                                 ofstream+endl %9.1f   ratio %.3f  (target <= 0.6)\n",
        f.ofstream, f.body / f.ofstream);
    std::printf(
        "  whole run   %9.1f   peak RSS %.1f MB   table+list %.1f MB   ratio %.3f  (target <= "
        "1.1)\n",
        f.run, peakBytes / 1e6, static_cast<double>(f.tableAndList) / 1e6,
        peakBytes / static_cast<double>(f.tableAndList));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--whole-run") {
        return WholeRun(argv[2]);
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::vector<std::int32_t> bounds = {1000000, 10000000, 110000000};
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
    std::printf("tavro bench: %d rounds per figure, files in %s\n", kRounds, dir.c_str());
    for (const std::int32_t n : bounds) {
        Figures f;
        MeasureProcessing(n, f);
        MeasureBody(n, f);
        MeasureWholeRun(self.c_str(), n, f);
        Print(n, f);
        for (const auto& entry : fs::directory_iterator(".")) {
            fs::remove(entry.path());
        }
    }
    fs::current_path("/");
    fs::remove_all(dir);
    return 0;
}
