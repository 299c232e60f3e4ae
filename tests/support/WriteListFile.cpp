// The list file this build writes for a bound, with two given times in its
// footer, so that a list written elsewhere (the Windows build, under Wine)
// can be compared with it byte for byte:
//
//   tavro_write_list N PROCESSING_MS FILE_OUTPUT_MS OUTPUT
#include <cstdio>
#include <cstdlib>

#include "BoundParser.h"
#include "ListFile.h"
#include "PrimeSieve.h"
#include "SearchLimits.h"
#include "TextFileStream.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: tavro_write_list N PROCESSING_MS FILE_OUTPUT_MS OUTPUT\n", stderr);
        return 2;
    }
    const std::int32_t n = ParseBound(argv[1]);
    if (n < kLowerBound || n > kMaxUpperBound) {
        std::fputs("tavro_write_list: bound out of range\n", stderr);
        return 2;
    }
    PrimeSieve sieve;
    sieve.Prepare(n);
    const PrimeList list = sieve.MarkAndCollect();
    sieve.ReleaseTable();
    TextFileStream out(argv[4]);
    WritePrimeList(out, list);
    WriteListFooter(out, list.count(), ParseBound(argv[2]), ParseBound(argv[3]));
    return out.Close() ? 0 : 1;
}
