#include "calibration/outside_rule.h"

#include <algorithm>
#include <cmath>

namespace Tessar {

OutsideRule OutsideRule::Of(const CalibrationData& data)
{
    OutsideRule rule;
    rule.policy = static_cast<RangePolicy>(data.rangePolicy_);
    rule.offset = data.zeroOffset_;
    bool any = false;
    for (double x : data.rawValues_) {
        if (!std::isfinite(x)) continue;
        rule.low = any ? std::min(rule.low, x) : x;
        rule.high = any ? std::max(rule.high, x) : x;
        any = true;
    }
    if (!any) {
        rule.low = -std::numeric_limits<double>::infinity();
        rule.high = std::numeric_limits<double>::infinity();
    }
    return rule;
}

void OutsideRule::Prepare(double* first, double* last) const
{
    if (policy != RangePolicy::Clamp) return;
    // Comparisons are false for NaN, which therefore passes through unchanged.
    for (double* v = first; v != last; ++v) *v = *v < low ? low : (*v > high ? high : *v);
}

void OutsideRule::Finish(const float* raw, double* values, size_t count) const
{
    if (policy == RangePolicy::Blank) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (size_t i = 0; i < count; ++i)
            if (IsOutside(raw[i])) values[i] = nan;
    }
    if (offset != 0)
        for (size_t i = 0; i < count; ++i) values[i] += offset;
}

size_t OutsideRule::CountOutside(const float* raw, size_t count) const
{
    size_t n = 0;
    for (size_t i = 0; i < count; ++i) n += IsOutside(raw[i]) ? 1 : 0;
    return n;
}

}  // namespace Tessar
