#include "host/zor/crc32.h"

#include <array>

namespace Zor {
namespace {

// Slicing by four: four table lookups per 32-bit word instead of one per byte.
using Tables = std::array<std::array<uint32_t, 256>, 4>;

constexpr Tables MakeTables()
{
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t s = 1; s < 4; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = MakeTables();

}  // namespace

void Crc32::Update(const void* bytes, size_t count)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    uint32_t c = state_;
    for (; count >= 4; count -= 4, p += 4) {
        c ^= uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
        c = kTables[3][c & 0xFF] ^ kTables[2][(c >> 8) & 0xFF] ^ kTables[1][(c >> 16) & 0xFF] ^ kTables[0][c >> 24];
    }
    for (; count; --count, ++p) c = kTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    state_ = c;
}

}  // namespace Zor
