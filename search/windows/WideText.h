#pragma once

#include <string>
#include <string_view>

// UTF-8 (the search core's texts) to UTF-16 (Windows' texts) and back. Invalid
// sequences become U+FFFD; nothing throws but std::bad_alloc.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
