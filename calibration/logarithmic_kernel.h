// The logarithmic calibration's sample kernel: v = c0 + c1 L with L = (float)std::log((double)xf),
// xf = (float)v, for every positive v; v <= 0 and NaN become the NaN with the bits
// kLogarithmicNaNBits (evaluators.h). The results are exactly those of LogarithmicSample, on
// every processor.
//
// How: for x whose float is a normal one, the vector code rounds x to float and computes ln xf
// in double for the widest vector unit the processor has, chosen at run time: xf = 2^k z, z in
// one of 16 intervals of [0.703125, 1.40625) whose 1/c and ln c are tabled (kernel_tables.h),
// and ln xf = k ln 2 + ln c + log1p(z/c - 1) by a polynomial of degree 8, within 1000 units in
// the last place of the double (mostly within a few). It rounds that to float. Wherever the
// double lies within 4096 units in its last place of a midpoint between two floats, so that
// std::log's value might round to the other float, the lane is recomputed with
// LogarithmicSample: about one sample in 65000. So are the positive x whose float is
// subnormal, 0 or infinity.
//
// Why a kernel: with std::log sample by sample (evaluators_bench's plain_logarithmic) the
// sample path costs about 17 times the bare float -> double -> float pass over a block of 4096
// samples; with this kernel 2.2 to 3 times on float samples in one pass (AVX-512; about 0.75 ns
// a sample, against 1.1 ns for numpy's float32 log, which is not correctly rounded).
#pragma once

#include <cstddef>

namespace Tessar {

// The definition for one sample, with std::log.
double LogarithmicSample(double c0, double c1, double x) noexcept;

// Transforms v[0..n) in place. Returns the number of samples that were recomputed with
// LogarithmicSample because the vector value could not decide their rounding to float.
std::size_t LogarithmicKernel(double c0, double c1, double* v, std::size_t n) noexcept;
// The same for float samples, each widened to double, transformed, and rounded back to float.
std::size_t LogarithmicKernel(double c0, double c1, float* v, std::size_t n) noexcept;

}  // namespace Tessar
