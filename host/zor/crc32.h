// Zor::Crc32: the CRC-32 (IEEE 802.3, reflected, as zlib computes it) of a run of bytes, fed in
// pieces. Documents end with the checksum of everything before it, so that damage that leaves
// the structure intact (a changed sample) is found too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zor {

class Crc32 {
public:
    void Update(const void* bytes, size_t count);
    uint32_t Value() const { return ~state_; }

private:
    uint32_t state_ = 0xFFFFFFFFu;
};

}  // namespace Zor
