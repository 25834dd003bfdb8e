#include "calibration/data_format.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "values/units/prefix_table.h"

namespace Tessar {
namespace {

constexpr float kPaneLimit = 1e20f;
constexpr double kSpanSteps = 64000.0;
constexpr double kMidStep = 32000.0;

// The divisor of a prefix index: its factor, or 1 where the table has none (index 0 and any
// index outside the table give factor 0).
double PrefixDivisor(int32_t prefix)
{
    const double factor = KVI::PrefixFactor(prefix);
    return factor == 0 ? 1.0 : factor;
}

}  // namespace

DataFormat ComputeDataFormat(const CalibrationData& data)
{
    // std::clamp keeps a NaN as it is; the span below catches it.
    const float top = std::clamp(static_cast<float>(data.paneTop_), -kPaneLimit, kPaneLimit);
    const float bottom = std::clamp(static_cast<float>(data.paneBottom_), -kPaneLimit, kPaneLimit);
    float span = top - bottom;
    if (!std::isfinite(span) || span == 0) span = std::numeric_limits<float>::max();

    double scale = double(span) / kSpanSteps / PrefixDivisor(data.unit_.prefix_);
    if (!std::isfinite(scale)) scale = kLargestFloat;
    double offset = kMidStep + kSpanSteps * double(bottom) / double(span);
    if (!std::isfinite(offset)) offset = kMidStep;

    DataFormat f;
    f.format.scale = scale;
    f.format.offset = offset;
    f.format.upperLimit = std::numeric_limits<float>::infinity();
    f.format.lowerLimit = -std::numeric_limits<float>::infinity();
    f.format.decimalPlaces = data.decimalPlaces_;
    f.format.prefix = data.unit_.prefix_;
    f.format.unitFlag = (data.unit_.flag_ & 1) ? int16_t(-1) : int16_t(0);
    f.sourceGain = 1.0 / scale;
    f.sourceOffset = -offset * scale;
    return f;
}

}  // namespace Tessar
