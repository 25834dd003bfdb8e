// The framework's object-stream format, shared by the writer and the reader.
//
// A stream is a header followed by values, each of which carries its kind, so that reading a
// value of another kind than was written is detected instead of misread:
//
//   header   "KVOS" (4 bytes), version (uint16 little-endian, 1), reserved (uint16, 0)
//   value    kind (1 byte), then its payload, little-endian:
//     kUInt32      4 bytes. Signed and unsigned 32-bit values are one kind: a value written
//                  unsigned may be read back signed (the settings objects do so).
//     kFloat       4 bytes, IEEE single
//     kDouble      8 bytes, IEEE double
//     kString      uint32 count of UTF-16 units, then the units (no terminator, no U+0000)
//     kFloatArray  uint32 count, then count IEEE singles
//     kBlob        uint32 byte count, then the bytes (a nested stream, header included)
//
// A reader bounds every count by the bytes that remain, so no count can make it allocate more
// than the input holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Zor {

constexpr uint8_t kStreamMagic[4] = {'K', 'V', 'O', 'S'};
constexpr uint16_t kStreamVersion = 1;
constexpr size_t kStreamHeaderSize = 8;

enum class ValueKind : uint8_t {
    kUInt32 = 1,
    kFloat = 2,
    kDouble = 3,
    kString = 4,
    kFloatArray = 5,
    kBlob = 6,
};

// "an unsigned 32-bit value", "a string", ... for error texts; "an unknown kind" otherwise.
std::string_view KindName(uint8_t kind);

}  // namespace Zor
