#pragma once

#include <string_view>

// Texts of the dialog itself, in UTF-8 (the search run has its own).
namespace dialog_texts {
// Shown when a run ran out of memory; the dialog stays open.
inline constexpr std::string_view kOutOfMemory = "メモリが不足しています。";
// Shown when a run ended by any other exception; the dialog stays open.
inline constexpr std::string_view kRunFailed = "予期しないエラーが発生しました。";
}  // namespace dialog_texts
