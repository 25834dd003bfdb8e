// RawRange: the reference points' raw range of a calibration (base units), for counting the
// samples that lie outside it: a raw sample below low or above high. NaN is never outside, and
// a calibration without points (NaN bounds) has none outside; the default range is the whole
// line.
#pragma once

#include <cstdint>
#include <limits>
#include <span>

namespace Velogram {

struct RawRange {
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();

    bool IsOutside(float raw) const { return double(raw) < low || double(raw) > high; }
    // How many of the samples lie outside.
    int64_t CountOutside(std::span<const float> raw) const;
};

}  // namespace Velogram
