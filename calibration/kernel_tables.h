// The constant tables of the logarithmic and exponential sample kernels, built once on first use
// from long double arithmetic. Sixteen entries each, so that a table fits two 512-bit registers
// and a lane finds its entry with one permutation.
#pragma once

#include <cstdint>

namespace Tessar {

// ln over the significands of the positive normal floats. A double x is written x = 2^k z with
// z in [kLogReductionStart, 2 kLogReductionStart), by subtracting kLogReductionOffsetBits from
// its bits: the top 12 bits of the difference are k, the next 4 the entry i of z's interval.
// Then ln x = k ln 2 + logc[i] + log1p(r), r = z invc[i] - 1, where invc[i] approximates 1 over
// the interval's centre with 21 significant bits, so that z invc[i] is exact for z of 24 bits
// (every float) and |r| <= 1/32. The interval around 1 has invc = 1 and logc = 0 exactly, so
// that ln x near 1 keeps its relative accuracy.
struct LogTable {
    static constexpr uint64_t kLogReductionOffsetBits = 0x3FE6800000000000ULL;  // 0.703125
    alignas(64) double invc[16];
    alignas(64) double logc[16];  // -ln invc[i], rounded to double
};

// 2^(j/16) for j = 0..15, each rounded to double: exp t = 2^(m/16) e^r with m = round(16 t / ln 2).
struct ExpTable {
    alignas(64) double pow2[16];
};

const LogTable& TheLogTable() noexcept;
const ExpTable& TheExpTable() noexcept;

}  // namespace Tessar
