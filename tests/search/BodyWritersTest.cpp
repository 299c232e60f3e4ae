#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "ListBytes.h"
#include "ListFile.h"
#include "PrebuiltBody.h"
#include "PrimeSieve.h"
#include "TempWorkDir.h"

namespace {

// The benchmark times the real body writer against its floor; the figures
// mean something only if both write the same bytes.
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
        {
            const int fd = ::open("floor.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
            ASSERT_GE(fd, 0);
            EXPECT_TRUE(PrebuiltBody(list).WriteTo(fd));
            ASSERT_EQ(::close(fd), 0);
        }
        const std::string ours = ReadFileBytes("ours.txt");
        EXPECT_EQ(ours, ReadFileBytes("floor.txt")) << "n = " << n;
        EXPECT_EQ(ours.substr(0, 2), n == 2 ? "2" : "2\t");
    }
}

}  // namespace
