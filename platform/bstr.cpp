#include "platform/bstr.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The block: [uint32 byte length][characters][terminator]; the BSTR points at the characters.
// Allocated with malloc so the prefix keeps the characters aligned to 4 bytes.
uint32_t* PrefixOf(BSTR s) { return reinterpret_cast<uint32_t*>(s) - 1; }

size_t Length16(const char16_t* text)
{
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

BSTR SysAllocStringLen(const char16_t* text, uint32_t len)
{
    // The byte length must fit the 32-bit prefix.
    if (len > (UINT32_MAX - sizeof(uint32_t) - sizeof(char16_t)) / sizeof(char16_t)) return nullptr;
    const size_t bytes = size_t(len) * sizeof(char16_t);
    void* block = std::malloc(sizeof(uint32_t) + bytes + sizeof(char16_t));
    if (!block) return nullptr;
    auto* prefix = static_cast<uint32_t*>(block);
    *prefix = static_cast<uint32_t>(bytes);
    auto* chars = reinterpret_cast<char16_t*>(prefix + 1);
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[len] = 0;
    return chars;
}

BSTR SysAllocString(const char16_t* text)
{
    if (!text) return nullptr;
    const size_t n = Length16(text);
    if (n > UINT32_MAX) return nullptr;
    return SysAllocStringLen(text, static_cast<uint32_t>(n));
}

uint32_t SysStringByteLen(BSTR s) { return s ? *PrefixOf(s) : 0; }

uint32_t SysStringLen(BSTR s) { return SysStringByteLen(s) / sizeof(char16_t); }

void SysFreeString(BSTR s)
{
    if (s) std::free(PrefixOf(s));
}
