#pragma once

#include <string_view>

// The texts a search run shows, in UTF-8.
namespace search_texts {
inline constexpr std::string_view kTooLarge = "範囲が大きすぎます";
inline constexpr std::string_view kInvalid = "範囲が不当です";
inline constexpr std::string_view kWaiting = "入力待ち";
inline constexpr std::string_view kProcessing = "処理中";
inline constexpr std::string_view kWritingFile = "ファイル出力中";
// The list file could not be written: "ファイル " + name + " を書き込めませんでした".
inline constexpr std::string_view kWriteFailedBefore = "ファイル ";
inline constexpr std::string_view kWriteFailedAfter = " を書き込めませんでした";
// Another instance of the program is writing that list, which is left alone:
// "ファイル " + name + " は他のプログラムが書き込み中のため書き込めませんでした".
inline constexpr std::string_view kInUseAfter =
    " は他のプログラムが書き込み中のため書き込めませんでした";
}  // namespace search_texts
