// GUID: the 128-bit identifier of interfaces, classes and types. Literals are parsed at
// compile time from the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return false;
        return true;
    }
    friend constexpr std::strong_ordering operator<=>(const GUID& a, const GUID& b)
    {
        if (auto c = a.Data1 <=> b.Data1; c != 0) return c;
        if (auto c = a.Data2 <=> b.Data2; c != 0) return c;
        if (auto c = a.Data3 <=> b.Data3; c != 0) return c;
        for (int i = 0; i < 8; ++i)
            if (auto c = a.Data4[i] <=> b.Data4[i]; c != 0) return c;
        return std::strong_ordering::equal;
    }
};

using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;
using REFGUID = const GUID&;

namespace platform {

namespace detail {
constexpr int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace detail

// Parses "{8-4-4-4-12}" (braces optional). Returns nothing for any other text.
constexpr std::optional<GUID> ParseGuid(std::string_view s)
{
    if (s.size() == 38) {
        if (s.front() != '{' || s.back() != '}') return std::nullopt;
        s = s.substr(1, 36);
    }
    if (s.size() != 36) return std::nullopt;
    if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return std::nullopt;
    uint8_t bytes[16] = {};
    int n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) continue;
        int hi = detail::HexDigit(s[i]);
        int lo = detail::HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[n++] = static_cast<uint8_t>(hi * 16 + lo);
        ++i;
    }
    GUID g;
    g.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
    g.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    return g;
}

// A GUID literal; a malformed literal is a compile-time error where used in a constant expression.
consteval GUID Guid(const char* text)
{
    std::string_view s(text);
    auto g = ParseGuid(s);
    if (!g) throw "malformed GUID literal";
    return *g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string FormatGuid(const GUID& g);

}  // namespace platform

template <>
struct std::hash<GUID> {
    size_t operator()(const GUID& g) const noexcept
    {
        uint64_t a = (uint64_t(g.Data1) << 32) | (uint64_t(g.Data2) << 16) | g.Data3;
        uint64_t b = 0;
        for (int i = 0; i < 8; ++i) b = (b << 8) | g.Data4[i];
        return std::hash<uint64_t>{}(a * 0x9E3779B97F4A7C15ull ^ b);
    }
};
