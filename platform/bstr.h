// BSTR: a length-prefixed, null-terminated block of UTF-16 code units. The 32-bit prefix just
// before the characters holds the length in bytes. A null BSTR is the empty string.
#pragma once

#include <cstdint>

using OLECHAR = char16_t;
using BSTR = char16_t*;

// A new BSTR holding a copy of the null-terminated text; a null text gives a null BSTR.
BSTR SysAllocString(const char16_t* text);
// A new BSTR of len characters copied from text (or left zero when text is null).
BSTR SysAllocStringLen(const char16_t* text, uint32_t len);
// Length in characters, terminator excluded; 0 for a null BSTR.
uint32_t SysStringLen(BSTR s);
// Length in bytes, terminator excluded; 0 for a null BSTR.
uint32_t SysStringByteLen(BSTR s);
// Frees a BSTR; a null BSTR is ignored.
void SysFreeString(BSTR s);
