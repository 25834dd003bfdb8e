// The point-to-point calibration's sample kernel: every sample x becomes slope * x + offset of
// its segment in a PointToPointTable (the product and the sum rounded on their own, as
// GUILib::Graticule::Map does); a sample without a segment (NaN) is left unchanged, payload
// and all.
//
// Sorted tables go through the table's index with vector code for the widest vector unit the
// processor has, chosen at run time; other tables (which only a hand-made settings text can
// hold) sample by sample through PointToPointTable::SegmentOf.
//
// Why a kernel: a search per sample costs (evaluators_bench, 4096-sample blocks, AVX-512,
// against the bare float -> double -> float pass) ...
#pragma once

#include <cstddef>

#include "calibration/point_to_point_table.h"

namespace Tessar {

// Sorted tables of at most this many segments keep their breaks and maps in vector registers
// (the calibration dialog has 12 rows, 11 segments); larger ones use the table's index.
inline constexpr std::size_t kPointToPointRegisterSegments = 16;

// Transforms v[0..n) in place.
void PointToPointKernel(const PointToPointTable& table, double* v, std::size_t n) noexcept;

}  // namespace Tessar
