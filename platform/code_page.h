// Conversion between UTF-16 and the "ANSI" code page, which is UTF-8 here. Invalid input
// (unpaired surrogates, malformed UTF-8) becomes U+FFFD, as the system converter does.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// wchar_t is 32-bit here: wide streams hold UTF-32, strings hold UTF-16.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);

}  // namespace platform
