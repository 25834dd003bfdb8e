// Fuzzes the short decimal reader of CSV samples. Input: the text of one value. Checks: what
// the reader takes, std::from_chars reads whole, to the same float bits.
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/velogram/short_decimal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* first = reinterpret_cast<const char*>(data);
    const char* last = first + size;
    float mine = 0;
    if (!Velogram::ReadShortDecimal(first, last, mine)) return 0;
    float theirs = 0;
    const auto [stop, ec] = std::from_chars(first, last, theirs);
    if (ec != std::errc() || stop != last || std::bit_cast<uint32_t>(mine) != std::bit_cast<uint32_t>(theirs))
        std::abort();
    return 0;
}
