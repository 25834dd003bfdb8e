#include "host/zor/gui/scale_ticks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace Zor {

namespace {

// Multiples beyond this cannot be told apart from their neighbours in a double.
constexpr double kExactLimit = 9007199254740992.0;  // 2^53
// Ratios between a computed quotient and a whole number closer than this count as whole, so
// that 0.3 / 0.1 lands on 3 and not on 2.9999999999999996.
constexpr double kWholeSlack = 1e-9;

int32_t MinorDivisions(int32_t mantissa) { return mantissa == 2 ? 4 : 5; }

// The next smaller round step: 5 -> 2 -> 1 -> 0.5.
void SmallerStep(int32_t* mantissa, int32_t* exponent)
{
    if (*mantissa == 5) {
        *mantissa = 2;
    } else if (*mantissa == 2) {
        *mantissa = 1;
    } else {
        *mantissa = 5;
        --*exponent;
    }
}

bool RepresentableStep(int32_t exponent) { return exponent >= -300 && exponent <= 300; }

// Fills the ticks of [lower, upper] for the given step; false when they cannot be represented.
bool PlaceTicks(double lower, double upper, int32_t mantissa, int32_t exponent, ScaleTicks* out)
{
    if (!RepresentableStep(exponent)) return false;
    const double step = double(mantissa) * PowerOfTen(exponent);
    const double lo = lower / step;
    const double hi = upper / step;
    if (!std::isfinite(lo) || !std::isfinite(hi) || std::fabs(lo) >= kExactLimit || std::fabs(hi) >= kExactLimit)
        return false;
    const double first = std::ceil(lo - kWholeSlack);
    const double last = std::floor(hi + kWholeSlack);
    out->mantissa = mantissa;
    out->exponent = exponent;
    out->minorDivisions = MinorDivisions(mantissa);
    out->firstMultiple = static_cast<int64_t>(first);
    out->count = last >= first ? static_cast<int32_t>(std::min(last - first + 1, 1e6)) : 0;
    return true;
}

}  // namespace

double PowerOfTen(int32_t exponent)
{
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (exponent >= 0 && exponent <= 22) return kExact[exponent];
    if (exponent < 0 && exponent >= -22) return 1.0 / kExact[-exponent];
    return std::pow(10.0, exponent);
}

double ScaleTicks::Step() const { return double(mantissa) * PowerOfTen(exponent); }

double ScaleTicks::Value(int32_t i) const
{
    const double multiple = double(firstMultiple + i) * mantissa;
    // Dividing by an exact power of ten rounds once, so 3 * 0.1 comes out as 0.3.
    const double v = exponent < 0 && exponent >= -22 ? multiple / PowerOfTen(-exponent)
                                                     : multiple * PowerOfTen(exponent);
    return v == 0.0 ? 0.0 : v;
}

void RoundStep(double raw, int32_t* mantissa, int32_t* exponent)
{
    int32_t e = static_cast<int32_t>(std::floor(std::log10(raw)));
    const double r = raw / PowerOfTen(e);
    int32_t m;
    if (r <= 1.0 + kWholeSlack) {
        m = 1;
    } else if (r <= 2.0 + kWholeSlack) {
        m = 2;
    } else if (r <= 5.0 + kWholeSlack) {
        m = 5;
    } else {
        m = 1;
        ++e;
    }
    // log10 may land just below a power of ten (r then reads as 10); the branch above has
    // already moved such a step to the next decade.
    *mantissa = m;
    *exponent = e;
}

ScaleTicks ComputeScaleTicks(double lower, double upper, double maxIntervals)
{
    ScaleTicks none;
    if (!std::isfinite(lower) || !std::isfinite(upper) || !(upper > lower)) return none;
    const double span = upper - lower;
    if (!std::isfinite(span)) return none;
    const double intervals = std::isfinite(maxIntervals) && maxIntervals >= 1.0 ? std::floor(maxIntervals) : 1.0;
    const double raw = span / intervals;
    if (!(raw > 0.0) || !std::isfinite(raw)) return none;

    int32_t mantissa = 1;
    int32_t exponent = 0;
    RoundStep(raw, &mantissa, &exponent);
    ScaleTicks ticks;
    if (!PlaceTicks(lower, upper, mantissa, exponent, &ticks)) return none;
    // A short axis over a range between two round numbers would show no tick at all; a finer
    // step is better than an unlabelled axis. Three refinements reach a tenth of the step, which
    // always fits a tick into the range.
    for (int i = 0; ticks.count == 0 && i < 3; ++i) {
        SmallerStep(&mantissa, &exponent);
        if (!PlaceTicks(lower, upper, mantissa, exponent, &ticks)) return none;
    }
    return ticks.count > 0 ? ticks : none;
}

std::string FormatTickLabel(double value, const ScaleTicks& ticks)
{
    if (!std::isfinite(value)) return std::string();
    if (value == 0.0) value = 0.0;  // -0 is written as 0
    double largest = 0.0;
    if (ticks.count > 0)
        largest = std::max(std::fabs(ticks.Value(0)), std::fabs(ticks.Value(ticks.count - 1)));
    largest = std::max(largest, std::fabs(value));

    char buffer[64];
    std::to_chars_result done;
    if (ticks.exponent < -4 || largest >= 1e7) {
        if (value == 0.0) return "0";
        // Enough digits after the mantissa's point to show the step's digit.
        const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
        const int digits = std::clamp(magnitude - ticks.exponent, 0, 17);
        done = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits);
    } else {
        const int decimals = std::clamp(-ticks.exponent, 0, 17);
        done = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    }
    std::string text(buffer, done.ptr);
    // A tiny negative value rounds to "-0.0"; it reads as zero.
    if (text.front() == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
    return text;
}

}  // namespace Zor
