#include "ListFile.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "ListBytes.h"
#include "PrimeSieve.h"
#include "TempWorkDir.h"

namespace {

// Converts UTF-8 text to code page 932 with the C library's converter.
std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv has no CP932";
        return {};
    }
    std::string in = utf8;
    std::string out(in.size() * 2 + 8, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(rc, static_cast<std::size_t>(-1)) << "cannot convert " << utf8;
    out.resize(out.size() - outLeft);
    return out;
}

TEST(ListFileTest, LabelsAreTheCodePage932FormOfTheirTexts) {
    EXPECT_EQ(ToCp932("素数は"), list_labels::kCountBefore);
    EXPECT_EQ(ToCp932("個です"), list_labels::kCountAfter);
    EXPECT_EQ(ToCp932("処理時間(ﾐﾘ秒)"), list_labels::kProcessingTime);
    EXPECT_EQ(ToCp932("ファイル出力時間(ﾐﾘ秒)"), list_labels::kFileOutputTime);
}

TEST(ListFileTest, NamesCarryTheFixedLowerBound) {
    EXPECT_EQ(MakeListFileName(2), "2-2.txt");
    EXPECT_EQ(MakeListFileName(100), "2-100.txt");
    EXPECT_EQ(MakeListFileName(110000000), "2-110000000.txt");
}

// Sieves to n and writes the body and a footer with fixed times to "out.txt".
std::string WriteListFor(std::int32_t n, std::int32_t processingMs, std::int32_t fileMs) {
    PrimeSieve sieve;
    sieve.Prepare(n);
    PrimeList list = sieve.MarkAndCollect();
    {
        TextFileStream stream("out.txt");
        WritePrimeList(stream, list);
        WriteListFooter(stream, list.count(), processingMs, fileMs);
        EXPECT_TRUE(stream.Close());
    }
    return ReadFileBytes("out.txt");
}

TEST(ListFileTest, ExactBytesForSmallBounds) {
    TempWorkDir dir;
    struct Case {
        std::int32_t n;
        std::string body;
        std::string count;
    };
    const Case cases[] = {
        {2, "2", "1"},
        {10, "2\t3\t5\t7", "4"},
        {11, "2\t3\t5\t7\t11\r\n", "5"},
        {100,
         "2\t3\t5\t7\t11\r\n13\t17\t19\t23\t29\r\n31\t37\t41\t43\t47\r\n"
         "53\t59\t61\t67\t71\r\n73\t79\t83\t89\t97\r\n",
         "25"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WriteListFor(c.n, 0, 12345), c.body + ExpectedFooter(c.count, "0", "12345"))
            << "n = " << c.n;
    }
}

// Primes up to n by trial division over odd divisors, independent of the sieve.
std::vector<std::int32_t> PrimesByTrialDivision(std::int32_t n) {
    std::vector<std::int32_t> primes;
    for (std::int32_t k = 2; k <= n; ++k) {
        bool prime = true;
        for (const std::int32_t p : primes) {
            if (p * p > k) {
                break;
            }
            if (k % p == 0) {
                prime = false;
                break;
            }
        }
        if (prime) {
            primes.push_back(k);
        }
    }
    return primes;
}

TEST(ListFileTest, WholeFileAtOneMillion) {
    TempWorkDir dir;
    const std::vector<std::int32_t> primes = PrimesByTrialDivision(1000000);
    std::string expected;
    for (std::size_t k = 0; k < primes.size(); ++k) {
        if (k % 5 != 0) {
            expected += '\t';
        }
        expected += std::to_string(primes[k]);
        if (k % 5 == 4) {
            expected += "\r\n";
        }
    }
    expected += ExpectedFooter(std::to_string(primes.size()), "7", "2147483647");
    EXPECT_EQ(primes.size(), 78498u);
    EXPECT_EQ(WriteListFor(1000000, 7, 2147483647), expected);
}

TEST(ListFileTest, LongFooterNumbersAndNegativeTimes) {
    TempWorkDir dir;
    {
        TextFileStream stream("f.txt");
        WriteListFooter(stream, 6303309, -1, -2147483647 - 1);
        ASSERT_TRUE(stream.Close());
    }
    EXPECT_EQ(ReadFileBytes("f.txt"), ExpectedFooter("6303309", "-1", "-2147483648"));
}

}  // namespace
