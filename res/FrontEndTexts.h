#pragma once

#include <string_view>

// Texts the dialog front ends show themselves (the search run has its own), in
// UTF-8.
namespace front_end_texts {
// A run ran out of memory; the dialog stays open.
inline constexpr std::string_view kOutOfMemory = "メモリが不足しています。";
// A run ended by any other exception; the dialog stays open.
inline constexpr std::string_view kRunFailed = "予期しないエラーが発生しました。";
}  // namespace front_end_texts
