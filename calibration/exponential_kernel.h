// The exponential calibration's sample kernel: v = c1 exp(c0 v) (c0 = rate, c1 = amplitude),
// no range check: overflow gives infinity, underflow 0, a NaN rate times v stays NaN.
//
// The double result is within 4 units in the last place of ExponentialSample (measured: at
// most 2 on every instruction set), and rounded to float it equals (float)ExponentialSample
// exactly, on every processor: the calibrated channel's float samples are those of the library
// exponential. The doubles are the same on every processor with fused multiply-add and may
// differ in the last place without it.
//
// How: the vector code computes exp(c0 v) in double for the widest vector unit the processor
// has, chosen at run time, where its result is a normal double (c0 v in [-708, 706]): c0 v =
// m ln2/16 + r, exp(c0 v) = 2^(m/16) e^r with the sixteen 2^(j/16) tabled (kernel_tables.h) and
// e^r by its Taylor polynomial, of degree 7 for double samples (within 1 unit in the last place
// but for the table's and the sums' roundings) and of degree 5 for float samples, where the
// double only has to decide the float's rounding. Below -746 the exponential is 0 and above 710
// infinity, as in std::exp. Lanes in between are recomputed with ExponentialSample, and so are
// the lanes whose result lies within 1024 units in its last place (8192 for float samples) of a
// midpoint between two floats (four times what the two exponentials can differ, so std::exp's
// value might round to the other float; about one sample in 260000, or 33000) or would round to
// a subnormal float.
// The doubles themselves are not made equal to std::exp's: matching it bit for bit would need
// its own algorithm (it is not correctly rounded), not just a more accurate one, and the float
// samples, which are what the channel keeps, already are its.
//
// Why a kernel: with std::exp sample by sample (evaluators_bench's plain_exponential) the
// sample path costs about 16 times the bare float -> double -> float pass over a block of 4096
// samples; with this kernel about 3.2 times through doubles and 2.4 to 2.8 on float samples in
// one pass (AVX-512; about 0.68 ns a sample, against 1.2 ns for numpy's float32 exp).
#pragma once

#include <cstddef>

namespace Tessar {

// The definition for one sample, with std::exp.
double ExponentialSample(double c0, double c1, double x) noexcept;

// Transforms v[0..n) in place. Returns the number of samples that were recomputed with
// ExponentialSample (outside the vector code's range, or with an undecided float rounding).
std::size_t ExponentialKernel(double c0, double c1, double* v, std::size_t n) noexcept;
// The same for float samples, each widened to double, transformed, and rounded back to float.
std::size_t ExponentialKernel(double c0, double c1, float* v, std::size_t n) noexcept;

}  // namespace Tessar
