#include "RunSearch.h"

#include <string>

#include "BoundParser.h"
#include "ListFile.h"
#include "PrimeSieve.h"
#include "SearchClock.h"
#include "SearchLimits.h"
#include "SearchTexts.h"
#include "TextFileStream.h"
#include "WriteGuard.h"

namespace {

constexpr char kDebugFileName[] = "debug.txt";

// Reads the bound and shows the message for a rejected one; returns 0 then.
std::int32_t AcceptedBound(DialogFields& fields, SearchHost& host) {
    const std::int32_t n = ParseBound(fields.m_strUpper);
    if (n > kMaxUpperBound) {
        host.ShowMessage(std::string(search_texts::kTooLarge));
        return 0;
    }
    if (n < kLowerBound) {
        host.ShowMessage(std::string(search_texts::kInvalid));
        return 0;
    }
    return n;
}

}  // namespace

void RunSearch(DialogFields& fields, SearchHost& host, FileLayer& files) {
    // 1-4. Pull the fields and check the bound; a rejection ends the run.
    host.Pull();
    std::int32_t count = 0;
    const std::int32_t n = AcceptedBound(fields, host);
    if (n == 0) {
        return;
    }

    // 5-7. Prepare the table, show the state, create the empty "debug.txt".
    PrimeSieve sieve;
    sieve.Prepare(n);
    fields.m_strState = search_texts::kProcessing;
    host.Push();
    TextFileStream debugFile(files, kDebugFileName);

    // 8-11. The processing interval: marking, the list and its collection.
    const std::int32_t t0 = ReadSearchClock();
    PrimeList primes = sieve.MarkAndCollect();
    count = primes.count();
    const std::int32_t t1 = ReadSearchClock();
    sieve.ReleaseTable();

    const std::string listName = MakeListFileName(n);
    std::string failure;  // the message for a list that could not be written
    {
        // From the list's creation until it is closed, neither a failed write
        // nor a request to end the process cuts the run short; such a request
        // takes effect when the files are done.
        const WriteGuard guard;

        // 12-13. Create the list file and show the state.
        TextFileStream listFile(files, listName);
        fields.m_strState = search_texts::kWritingFile;
        host.Push();

        // 14-17. The file output interval covers the body alone.
        const std::int32_t t2 = ReadSearchClock();
        WritePrimeList(listFile, primes);
        const std::int32_t t3 = ReadSearchClock();
        primes.Release();

        // 18-19. Results into the fields, then the footer: its last line end
        //        hands the whole file to the system.
        const std::int32_t elapsed = ElapsedBetween(t0, t1);
        const std::int32_t fileTime = ElapsedBetween(t2, t3);
        fields.m_strElapsed = std::to_string(elapsed);
        fields.m_strCount = std::to_string(count);
        fields.m_strFileTime = std::to_string(fileTime);
        WriteListFooter(listFile, count, elapsed, fileTime);

        // 20. The state back to waiting.
        fields.m_strState = search_texts::kWaiting;

        // 21-22. A file that could not be written is not offered to the
        //        viewer, nor one of a process that is about to end.
        const bool writtenSoFar = !listFile.failed();
        if (writtenSoFar && !guard.EndRequested()) {
            host.OpenWithShell(listName);
        }
        host.Push();

        // 23. Close the list file, then "debug.txt". A list file that could
        //     not be completed is not left looking whole: it is removed, or
        //     emptied where it cannot be; nothing else at its name is touched.
        if (!(writtenSoFar && listFile.Close())) {
            listFile.Discard();
            const bool inUse = listFile.openFailure() == OpenFailure::kInUse;
            failure =
                std::string(search_texts::kWriteFailedBefore) + listName +
                std::string(inUse ? search_texts::kInUseAfter : search_texts::kWriteFailedAfter);
        }
        debugFile.Close();
    }
    if (!failure.empty()) {
        host.ShowMessage(failure);
    }
}
