#include "host/velogram/shortest_float.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace Velogram {

namespace {

__extension__ using Uint128 = unsigned __int128;

// Bits kept of the multipliers: 5^-q scaled into [2^58, 2^59) (rounded up) and 5^i scaled into
// [2^60, 2^61) (rounded down). With them a 26-bit significand times a power of five, shifted,
// is the exact quotient's integer part for every float's exponent.
constexpr int kInverseBits = 59;
constexpr int kPowerBits = 61;
constexpr int kInverseCount = 31;  // q = floor(log10 2^e2) for the largest e2 of a float
constexpr int kPowerCount = 48;    // i = -e2 - q for the smallest, and i + 1

// ceil(log2 5^e) for 0 < e <= 3528 (1 for e = 0); floor(log10 2^e); floor(log10 5^e).
constexpr int Pow5Bits(int e) { return static_cast<int>((static_cast<uint32_t>(e) * 1217359u) >> 19) + 1; }
constexpr uint32_t Log10Pow2(int e) { return (static_cast<uint32_t>(e) * 78913u) >> 18; }
constexpr uint32_t Log10Pow5(int e) { return (static_cast<uint32_t>(e) * 732923u) >> 20; }

struct Pow5Tables {
    uint64_t inverse[kInverseCount];  // floor(2^(Pow5Bits(q) - 1 + kInverseBits) / 5^q) + 1
    uint64_t power[kPowerCount];      // 5^i scaled to kPowerBits bits, rounded down
};

constexpr Uint128 Pow5(int e)
{
    Uint128 p = 1;
    for (int k = 0; k < e; ++k)
        p *= 5;
    return p;
}

constexpr Pow5Tables MakeTables()
{
    Pow5Tables t{};
    for (int q = 0; q < kInverseCount; ++q) {
        const int bits = Pow5Bits(q) - 1 + kInverseBits;
        // 2^128 itself does not fit: 2^128 - 1 has the same quotient, 5^q not dividing 2^128.
        const Uint128 numerator = bits == 128 ? ~Uint128{0} : Uint128{1} << bits;
        t.inverse[q] = static_cast<uint64_t>(numerator / Pow5(q)) + 1;
    }
    for (int i = 0; i < kPowerCount; ++i) {
        const int shift = Pow5Bits(i) - kPowerBits;
        t.power[i] = static_cast<uint64_t>(shift >= 0 ? Pow5(i) >> shift : Pow5(i) << -shift);
    }
    return t;
}

constexpr Pow5Tables kTables = MakeTables();

// (m * factor) >> shift for shift > 32, without the low bits that cannot reach the result.
inline uint32_t MulShift(uint32_t m, uint64_t factor, int shift)
{
    const uint64_t low = static_cast<uint64_t>(m) * static_cast<uint32_t>(factor);
    const uint64_t high = static_cast<uint64_t>(m) * (factor >> 32);
    return static_cast<uint32_t>(((low >> 32) + high) >> (shift - 32));
}

inline bool MultipleOfPowerOf5(uint32_t v, uint32_t p)
{
    uint32_t count = 0;
    for (; v % 5 == 0 && count < p; v /= 5)
        ++count;
    return count >= p;
}

inline bool MultipleOfPowerOf2(uint32_t v, uint32_t p) { return (v & ((1u << p) - 1)) == 0; }

// A positive finite nonzero float as digits times a power of ten: the shortest digits of the
// interval of reals that round to it, the nearest the float where several are as short.
struct Decimal {
    uint32_t digits;
    int32_t exponent;
};

Decimal ShortestDecimal(uint32_t bits)
{
    const uint32_t fraction = bits & 0x7FFFFFu;
    const uint32_t biased = bits >> 23;
    // The float is m2 2^e2 with two more bits of room for the interval's ends.
    const int32_t e2 = (biased == 0 ? 1 : static_cast<int32_t>(biased)) - 127 - 23 - 2;
    const uint32_t m2 = biased == 0 ? fraction : (1u << 23) | fraction;
    const bool acceptBounds = (m2 & 1) == 0;  // round-half-even reads an even float's ends back to it

    const uint32_t mv = 4 * m2;
    const uint32_t mp = 4 * m2 + 2;
    // The gap below is half as wide at a power of two (but not at the smallest exponent).
    const uint32_t mmShift = fraction != 0 || biased <= 1;
    const uint32_t mm = 4 * m2 - 1 - mmShift;

    uint32_t vr, vp, vm;
    int32_t e10;
    bool vmIsTrailingZeros = false;
    bool vrIsTrailingZeros = false;
    uint32_t lastRemovedDigit = 0;
    if (e2 >= 0) {
        const uint32_t q = Log10Pow2(e2);
        e10 = static_cast<int32_t>(q);
        const int32_t k = kInverseBits + Pow5Bits(static_cast<int>(q)) - 1;
        const int32_t i = -e2 + static_cast<int32_t>(q) + k;
        vr = MulShift(mv, kTables.inverse[q], i);
        vp = MulShift(mp, kTables.inverse[q], i);
        vm = MulShift(mm, kTables.inverse[q], i);
        if (q != 0 && (vp - 1) / 10 <= vm / 10) {
            // One removed digit is needed even when the loop below removes none.
            const int32_t l = kInverseBits + Pow5Bits(static_cast<int>(q) - 1) - 1;
            lastRemovedDigit = MulShift(mv, kTables.inverse[q - 1], -e2 + static_cast<int32_t>(q) - 1 + l) % 10;
        }
        if (q <= 9) {
            // At most one of mp, mv and mm is a multiple of 5.
            if (mv % 5 == 0)
                vrIsTrailingZeros = MultipleOfPowerOf5(mv, q);
            else if (acceptBounds)
                vmIsTrailingZeros = MultipleOfPowerOf5(mm, q);
            else
                vp -= MultipleOfPowerOf5(mp, q);
        }
    } else {
        const uint32_t q = Log10Pow5(-e2);
        e10 = static_cast<int32_t>(q) + e2;
        const int32_t i = -e2 - static_cast<int32_t>(q);
        const int32_t k = Pow5Bits(i) - kPowerBits;
        int32_t j = static_cast<int32_t>(q) - k;
        vr = MulShift(mv, kTables.power[i], j);
        vp = MulShift(mp, kTables.power[i], j);
        vm = MulShift(mm, kTables.power[i], j);
        if (q != 0 && (vp - 1) / 10 <= vm / 10) {
            j = static_cast<int32_t>(q) - 1 - (Pow5Bits(i + 1) - kPowerBits);
            lastRemovedDigit = MulShift(mv, kTables.power[i + 1], j) % 10;
        }
        if (q <= 1) {
            // mv = 4 m2 has at least two trailing zero bits; mm has one exactly when mmShift is 1;
            // mp = mv + 2 always has one.
            vrIsTrailingZeros = true;
            if (acceptBounds)
                vmIsTrailingZeros = mmShift == 1;
            else
                --vp;
        } else if (q < 31) {
            vrIsTrailingZeros = MultipleOfPowerOf2(mv, q - 1);
        }
    }

    // Remove digits while the interval still holds a shorter number.
    int32_t removed = 0;
    uint32_t output;
    if (vmIsTrailingZeros || vrIsTrailingZeros) {
        while (vp / 10 > vm / 10) {
            vmIsTrailingZeros &= vm % 10 == 0;
            vrIsTrailingZeros &= lastRemovedDigit == 0;
            lastRemovedDigit = vr % 10;
            vr /= 10;
            vp /= 10;
            vm /= 10;
            ++removed;
        }
        if (vmIsTrailingZeros) {
            while (vm % 10 == 0) {
                vrIsTrailingZeros &= lastRemovedDigit == 0;
                lastRemovedDigit = vr % 10;
                vr /= 10;
                vp /= 10;
                vm /= 10;
                ++removed;
            }
        }
        // An exact ...50..0 rounds to even.
        if (vrIsTrailingZeros && lastRemovedDigit == 5 && vr % 2 == 0)
            lastRemovedDigit = 4;
        output = vr + ((vr == vm && (!acceptBounds || !vmIsTrailingZeros)) || lastRemovedDigit >= 5);
    } else {
        while (vp / 10 > vm / 10) {
            lastRemovedDigit = vr % 10;
            vr /= 10;
            vp /= 10;
            vm /= 10;
            ++removed;
        }
        output = vr + (vr == vm || lastRemovedDigit >= 5);
    }
    return {output, e10 + removed};
}

// The number of decimal digits of v (below 10^19).
int DigitCount(uint64_t v)
{
    int n = 1;
    for (uint64_t limit = 10; n < 19 && v >= limit; limit *= 10)
        ++n;
    return n;
}

// The digits of v, exactly n of them, at p.
void WriteDigits(char* p, uint64_t v, int n)
{
    for (int k = n - 1; k >= 0; --k) {
        p[k] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

}  // namespace

char* WriteShortestFloat(char* p, float value) noexcept
{
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    const uint32_t magnitude = bits & 0x7FFFFFFFu;
    if (magnitude == 0 || magnitude >= 0x7F800000u)
        return std::to_chars(p, p + kShortestFloatMaxChars, value).ptr;  // zero, infinity, NaN
    if (bits >> 31)
        *p++ = '-';
    const Decimal d = ShortestDecimal(magnitude);
    const int n = DigitCount(d.digits);
    const int exponent = d.exponent;           // value = digits 10^exponent
    const int scientific = exponent + n - 1;   // value = d.ddd 10^scientific, |scientific| <= 45
    const int scientificLength = n + (n > 1) + 4;
    const int fixedLength = exponent >= 0 ? n + exponent : (n + exponent > 0 ? n + 1 : 2 - exponent);
    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            // Fixed notation writes an integer's exact value, as printf's %f does: the shortest
            // digits are only its first ones (the float 6948851200 has the shortest digits
            // 6948851). It is below 10^14, or scientific notation would be shorter.
            const int shift = static_cast<int>(magnitude >> 23) - 150;
            const uint64_t significand = (magnitude & 0x7FFFFFu) | 0x800000u;
            const uint64_t exact = shift >= 0 ? significand << shift : significand >> -shift;
            const int length = DigitCount(exact);
            WriteDigits(p, exact, length);
            return p + length;
        }
        if (n + exponent > 0) {
            const int whole = n + exponent;
            char digits[10];
            WriteDigits(digits, d.digits, n);
            std::memcpy(p, digits, static_cast<size_t>(whole));
            p[whole] = '.';
            std::memcpy(p + whole + 1, digits + whole, static_cast<size_t>(n - whole));
            return p + n + 1;
        }
        const int zeros = -exponent - n;
        p[0] = '0';
        p[1] = '.';
        std::memset(p + 2, '0', static_cast<size_t>(zeros));
        WriteDigits(p + 2 + zeros, d.digits, n);
        return p + 2 + zeros + n;
    }
    char digits[10];
    WriteDigits(digits, d.digits, n);
    *p++ = digits[0];
    if (n > 1) {
        *p++ = '.';
        std::memcpy(p, digits + 1, static_cast<size_t>(n - 1));
        p += n - 1;
    }
    *p++ = 'e';
    *p++ = scientific < 0 ? '-' : '+';
    const int e = scientific < 0 ? -scientific : scientific;
    *p++ = static_cast<char>('0' + e / 10);
    *p++ = static_cast<char>('0' + e % 10);
    return p;
}

}  // namespace Velogram
