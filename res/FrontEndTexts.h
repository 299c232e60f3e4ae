#pragma once

#include <exception>
#include <new>
#include <string_view>

// Texts the dialog front ends show themselves (the search run has its own), in
// UTF-8.
namespace front_end_texts {
// A run ran out of memory; the dialog stays open.
inline constexpr std::string_view kOutOfMemory = "メモリが不足しています。";
// A run ended by any other exception; the dialog stays open.
inline constexpr std::string_view kRunFailed = "予期しないエラーが発生しました。";

// What the dialog says of the exception that ended a run.
inline std::string_view FailureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kRunFailed;
    }
}
}  // namespace front_end_texts
