// A calibration record of a fit kind and its points, for the fit tests.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "calibration/calibration_data.h"

namespace TestSupport {

inline Tessar::CalibrationData Record(int32_t kind, std::vector<double> raw, std::vector<double> calibrated,
                                      bool forceOrigin = false)
{
    Tessar::CalibrationData data;
    data.fitKind_ = kind;
    data.rawValues_ = std::move(raw);
    data.calibratedValues_ = std::move(calibrated);
    data.forceOrigin_ = forceOrigin;
    return data;
}

}  // namespace TestSupport
