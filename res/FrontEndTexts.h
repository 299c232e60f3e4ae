#pragma once

#include <new>
#include <string_view>

// Texts the dialog front ends show themselves (the search run has its own), in
// UTF-8.
namespace front_end_texts {
// A run ran out of memory; the dialog stays open.
inline constexpr std::string_view kOutOfMemory = "メモリが不足しています。";
// A run ended by any other exception; the dialog stays open.
inline constexpr std::string_view kRunFailed = "予期しないエラーが発生しました。";

// Runs `run` and says what the dialog shows of the exception that ended it;
// empty when none did.
template <class Run>
std::string_view FailureOf(Run&& run) {
    try {
        run();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kRunFailed;
    }
    return {};
}
}  // namespace front_end_texts
