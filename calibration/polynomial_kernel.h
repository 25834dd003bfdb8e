// The polynomial calibration's sample kernel: Horner's rule from the highest coefficient down,
// v = c[count-1], then v = v x + c[k] for k = count - 2 down to 0, each product and sum rounded
// to double on its own (no fused multiply-add), so the results are the same on every processor.
// A single coefficient is a constant, but NaN samples stay NaN.
//
// Why a kernel: the loop is simple enough for the compiler, but only for the baseline
// instruction set. Against the bare float -> double -> float pass over a block of 4096
// samples, the plain loop (evaluators_bench's plain_quintic, plain_linear) costs about 3 times
// for the quintic and 1.7 times for the linear; this kernel, for the widest vector unit the
// processor has, chosen at run time, about 1.3 to 1.8 and 1.1 to 1.4 times through doubles,
// and 0.75 to 0.8 and 0.4 times on float samples in one pass, below the cost of the bare pass
// itself (AVX-512; the spread is the machine's). Four interleaved Horner chains gain 5 % on
// the quintic over one.
#pragma once

#include <cstddef>

namespace Tessar {

// Transforms v[0..n) in place with the coefficients c[0..count), count >= 1.
void PolynomialKernel(const double* c, std::size_t count, double* v, std::size_t n) noexcept;
// The same for float samples, each widened to double, transformed, and rounded back to float.
void PolynomialKernel(const double* c, std::size_t count, float* v, std::size_t n) noexcept;

}  // namespace Tessar
