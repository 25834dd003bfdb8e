// Conversion between UTF-16 and the "ANSI" code page, which is UTF-8 here. Invalid input
// (unpaired surrogates, malformed UTF-8) becomes U+FFFD, as the system converter does.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// True when text is well-formed UTF-8 (no stray or truncated sequence, no overlong form, no
// surrogate); the empty text is.
bool IsUtf8(std::string_view text);
// Text in the Windows-1252 code page (Western European) as UTF-8. Every byte has a character:
// the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1
// control characters of the same value, as the system converter makes them.
std::string Windows1252ToUtf8(std::string_view text);

// wchar_t is 32-bit here: wide streams hold UTF-32, strings hold UTF-16.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);

}  // namespace platform
