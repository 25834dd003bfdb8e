// The point-to-point calibration's sample kernel: every sample x becomes slope * x + offset of
// its segment in a PointToPointTable (the product and the sum rounded on their own, as
// GUILib::Graticule::Map does); a sample without a segment (NaN) is left unchanged, payload
// and all.
//
// The code is compiled for several instruction sets, the widest the processor has chosen at
// run time. Sorted tables of up to kPointToPointRegisterSegments segments keep their breaks and
// maps in vector registers and compare every sample with every break; larger sorted tables
// find the segment through the table's bucket index (buckets and arithmetic in vectors, the
// lookups sample by sample); other tables (which only a hand-made settings text can hold) go
// sample by sample through PointToPointTable::SegmentOf.
//
// Why a kernel: against the bare float -> double -> float pass over a block of 4096 samples, a
// linear scan over the segments sample by sample (evaluators_bench's plain_point_to_point_*)
// costs about 10 times at 12 points, 35 to 65 at 64 and 600 to 750 at 1000; this kernel, on float
// samples in one pass with a table built once (CalibrationEvaluator), about 2.5 to 2.8, 4.8 and
// 4.8 to 5.3 times (AVX-512; the index's lookups fetch a segment's slope and offset side by side,
// PointToPointTable::Maps, one 16-byte load). Vector gathers, which would let the index's
// lookups run in vectors too, cost more here than the lookups one by one (0.54 ns an element),
// and so did a binary search held in AVX-512 registers for up to 64 segments.
#pragma once

#include <cstddef>

#include "calibration/point_to_point_table.h"

namespace Tessar {

// Sorted tables of at most this many segments keep their breaks and maps in vector registers
// (the calibration dialog has 12 rows, 11 segments); larger ones use the table's index.
inline constexpr std::size_t kPointToPointRegisterSegments = 16;

// Transforms v[0..n) in place.
void PointToPointKernel(const PointToPointTable& table, double* v, std::size_t n) noexcept;
// The same for float samples, each widened to double, transformed, and rounded back to float.
void PointToPointKernel(const PointToPointTable& table, float* v, std::size_t n) noexcept;

}  // namespace Tessar
