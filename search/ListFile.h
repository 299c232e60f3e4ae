#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "PrimeList.h"
#include "TextFileStream.h"

// The list file's labels, as the code page 932 bytes the file holds.
namespace list_labels {
inline constexpr std::string_view kCountBefore = "\x91\x66\x90\x94\x82\xCD";  // 素数は
inline constexpr std::string_view kCountAfter = "\x8C\xC2\x82\xC5\x82\xB7";   // 個です
// 処理時間(ﾐﾘ秒)
inline constexpr std::string_view kProcessingTime =
    "\x8F\x88\x97\x9D\x8E\x9E\x8A\xD4\x28\xD0\xD8\x95\x62\x29";
// ファイル出力時間(ﾐﾘ秒)
inline constexpr std::string_view kFileOutputTime =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x8E\x9E\x8A\xD4\x28\xD0\xD8\x95\x62\x29";
}  // namespace list_labels

// "2-<n>.txt": the list file's name, relative to the working directory.
std::string MakeListFileName(std::int32_t n);

// The body: the list's primes five to a line, TAB between them, CR LF after
// every fifth; an unfinished last line is left without its line end.
void WritePrimeList(TextFileStream& stream, const PrimeList& list);

// A line end (ending an unfinished body line, or an empty line), then the
// count and the two times, each line with its label.
void WriteListFooter(TextFileStream& stream, std::int32_t count, std::int32_t processingMs,
                     std::int32_t fileOutputMs);
