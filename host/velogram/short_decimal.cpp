#include "host/velogram/short_decimal.h"

#include <cstdint>

namespace Velogram {
namespace {

constexpr int kMostDigits = 8;
constexpr uint32_t kLargestExactInteger = uint32_t{1} << 24;  // every integer up to it is a float
// 10^k for k <= 8: exact floats.
constexpr float kPowersOfTen[kMostDigits + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f};

}  // namespace

bool ReadShortDecimal(const char* p, const char* last, float& value) noexcept
{
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    uint32_t digits = 0;
    int count = 0;
    int decimals = 0;
    bool point = false;
    for (; p != last; ++p) {
        const auto digit = static_cast<uint32_t>(static_cast<unsigned char>(*p) - '0');
        if (digit < 10) {
            if (++count > kMostDigits) return false;
            digits = digits * 10 + digit;
            decimals += point ? 1 : 0;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (count == 0 || digits > kLargestExactInteger) return false;
    const float magnitude = static_cast<float>(digits) / kPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace Velogram
