#include "ListFile.h"

#include "SearchLimits.h"

std::string MakeListFileName(std::int32_t n) {
    return std::to_string(kLowerBound) + "-" + std::to_string(n) + ".txt";
}

void WritePrimeList(TextFileStream& stream, const PrimeList& list) {
    const std::int32_t* const primes = list.data();
    const std::int32_t count = list.count();
    std::int32_t k = 0;
    for (; k + 5 <= count; k += 5) {
        stream.PutNumber(primes[k]);
        stream.PutTab();
        stream.PutNumber(primes[k + 1]);
        stream.PutTab();
        stream.PutNumber(primes[k + 2]);
        stream.PutTab();
        stream.PutNumber(primes[k + 3]);
        stream.PutTab();
        stream.PutNumber(primes[k + 4]);
        stream.EndLine();
    }
    for (std::int32_t first = k; k < count; ++k) {
        if (k != first) {
            stream.PutTab();
        }
        stream.PutNumber(primes[k]);
    }
}

void WriteListFooter(TextFileStream& stream, std::int32_t count, std::int32_t processingMs,
                     std::int32_t fileOutputMs) {
    stream.EndLine();
    stream.Put(list_labels::kCountBefore);
    stream.PutNumber(count);
    stream.Put(list_labels::kCountAfter);
    stream.EndLine();
    stream.Put(list_labels::kProcessingTime);
    stream.PutNumber(processingMs);
    stream.EndLine();
    stream.Put(list_labels::kFileOutputTime);
    stream.PutNumber(fileOutputMs);
    stream.EndLine();
}
