#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "FileBytes.h"
#include "ListFile.h"
#include "PrimeSieve.h"
#include "ReferenceWriters.h"
#include "TempWorkDir.h"

namespace {

// The benchmarks time the real body writer against two others; the figures
// mean something only if all three write the same bytes.
TEST(BodyWritersTest, EveryWriterWritesTheSameBody) {
    TempWorkDir dir;
    // Bounds whose counts leave every length of unfinished last line, and 10^6.
    for (const std::int32_t n : {2, 3, 5, 7, 11, 13, 1000000}) {
        PrimeSieve sieve;
        sieve.Prepare(n);
        const PrimeList list = sieve.MarkAndCollect();
        {
            TextFileStream stream("ours.txt");
            WritePrimeList(stream, list);
            ASSERT_TRUE(stream.Close());
        }
        ASSERT_TRUE(PrebuiltBody(list).WriteTo("floor.txt"));
        ASSERT_TRUE(WriteBodyWithOfstream("ofstream.txt", list));
        const std::string ours = ReadFileBytes("ours.txt");
        EXPECT_EQ(ours, ReadFileBytes("floor.txt")) << "n = " << n;
        EXPECT_EQ(ours, ReadFileBytes("ofstream.txt")) << "n = " << n;
        EXPECT_EQ(ours.substr(0, 2), n == 2 ? "2" : "2\t");
    }
}

}  // namespace
