#include "host/zor/gui/scale_map.h"

#include <algorithm>
#include <cmath>

namespace Zor {

bool ScaleMap::IsValidRange(const ScaleRange& range)
{
    const double u = range.upper;
    const double l = range.lower;
    if (!std::isfinite(u) || !std::isfinite(l) || !(u > l)) return false;
    const double span = u - l;
    return std::isfinite(span) && span > 1e-12 * std::max(std::fabs(u), std::fabs(l));
}

ScaleMap::ScaleMap(bool vertical, ScaleRange range, double length) : vertical_(vertical)
{
    if (IsValidRange(range)) range_ = range;
    length_ = std::isfinite(length) ? std::max(0.0, length) : 0.0;
    Update();
}

bool ScaleMap::SetRange(const ScaleRange& range)
{
    if (!IsValidRange(range)) return false;
    range_ = range;
    Update();
    return true;
}

void ScaleMap::SetLength(double length)
{
    length_ = std::isfinite(length) ? std::max(0.0, length) : 0.0;
    Update();
}

void ScaleMap::Update()
{
    // The range is valid, so the x pair is strictly increasing and always accepted.
    map_.SetXPair(range_.lower, range_.upper);
    if (vertical_)
        map_.SetYPair(length_, 0.0);
    else
        map_.SetYPair(0.0, length_);
}

double ScaleMap::PixelToValue(double pixel) const
{
    // A zero-length axis has a constant map; every pixel then reads as its first end.
    if (length_ <= 0.0) return vertical_ ? range_.upper : range_.lower;
    return map_.InverseMap(pixel);
}

double ScaleMap::Offset() const
{
    // pixel = factor * (offset + v) puts pixel 0 at v = -offset, the value of the first end;
    // taken from the range, so it is defined for a zero-length axis too.
    return -(vertical_ ? range_.upper : range_.lower);
}

ScaleMap::Zone ScaleMap::ZoneAt(double pixel) const
{
    if (pixel < length_ / 4.0) return Zone::FirstEnd;
    if (pixel > length_ * 3.0 / 4.0) return Zone::SecondEnd;
    return Zone::Middle;
}

std::optional<ScaleRange> ScaleMap::Moved(double grabbedValue, double pixel) const
{
    if (length_ <= 0.0) return std::nullopt;
    const double shift = grabbedValue - PixelToValue(pixel);
    ScaleRange moved{range_.upper + shift, range_.lower + shift};
    if (!IsValidRange(moved)) return std::nullopt;
    return moved;
}

std::optional<ScaleRange> ScaleMap::Stretched(Zone end, double grabbedValue, double pixel) const
{
    if (length_ <= 0.0 || end == Zone::Middle || !std::isfinite(pixel)) return std::nullopt;
    // The fixed end is the other one: pixel length_ when the first end is grabbed, 0 otherwise.
    const double fixedPixel = end == Zone::FirstEnd ? length_ : 0.0;
    const double fixedValue = PixelToValue(fixedPixel);
    if (end == Zone::FirstEnd)
        pixel = std::min(pixel, fixedPixel - kMinStretchPixels);
    else
        pixel = std::max(pixel, fixedPixel + kMinStretchPixels);
    return RangeThrough(fixedValue, fixedPixel, grabbedValue, pixel);
}

std::optional<ScaleRange> ScaleMap::RangeThrough(double v0, double p0, double v1, double p1) const
{
    if (!(v0 != v1) || !(p0 != p1)) return std::nullopt;
    // The value at a pixel of the line through (p0, v0) and (p1, v1).
    GUILib::Graticule inverse;
    if (p0 < p1) {
        inverse.SetXPair(p0, p1);
        inverse.SetYPair(v0, v1);
    } else {
        inverse.SetXPair(p1, p0);
        inverse.SetYPair(v1, v0);
    }
    const double atFirst = inverse.Map(0.0);
    const double atSecond = inverse.Map(length_);
    ScaleRange range = vertical_ ? ScaleRange{atFirst, atSecond} : ScaleRange{atSecond, atFirst};
    if (!IsValidRange(range)) return std::nullopt;
    return range;
}

}  // namespace Zor
