// The logarithmic calibration's sample kernel: v = c0 + c1 L with L = (float)std::log((double)xf),
// xf = (float)v, for every positive v; v <= 0 and NaN become the NaN with the bits
// kLogarithmicNaNBits (evaluators.h). The results are exactly those of LogarithmicSample, on
// every processor.
//
// How: for x whose float is a normal one, the vector code rounds x to float, computes ln xf in
// double (within 4 units in the last place) for the widest vector unit the processor has,
// chosen at run time, and rounds that to float, both roundings by integer arithmetic on the
// bits. Wherever the double lies within 1024 units in its last place of a midpoint between two
// floats (far more than the two logarithms can differ), so that std::log's value might round
// to the other float, the lane is recomputed with LogarithmicSample: about one sample in
// 260000. So are the positive x whose float is subnormal, 0 or infinity.
//
// Why a kernel: with std::log sample by sample (evaluators_bench's plain_logarithmic) the
// sample path costs about 18 times the bare float -> double -> float pass over a block of 4096
// samples; with this kernel about 4 to 4.5 times through doubles and 3 to 3.7 on float samples
// in one pass (AVX-512; most of it is the vector logarithm itself, the rounding tests about a
// quarter).
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
