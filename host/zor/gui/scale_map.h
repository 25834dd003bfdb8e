// Zor::ScaleMap: the value-to-pixel map of a scale and the range arithmetic of dragging it.
//
// Pixels are axis pixels (interfaces/scale.h): 0 at the scale's first end, L at its second.
// A vertical scale has its upper value at 0 (rows grow downwards); a horizontal one its lower
// value at 0. The map itself is a GUILib::Graticule through the two ends. Qt-free.
#pragma once

#include <optional>
#include <utility>

#include "values/graticule.h"

namespace Zor {

// A range as the scale interfaces pass it: upper first.
struct ScaleRange {
    double upper = 1.0;
    double lower = 0.0;

    friend bool operator==(const ScaleRange&, const ScaleRange&) = default;
};

class ScaleMap {
public:
    // Which part of the axis a drag grabs: an end stretches the range, the middle moves it.
    enum class Zone { FirstEnd, Middle, SecondEnd };

    // Whether a pair is a range a scale accepts: both finite, upper > lower, and a span that
    // doubles resolve (more than 1e-12 of the larger magnitude) and that is itself finite.
    static bool IsValidRange(const ScaleRange& range);

    ScaleMap() { Update(); }
    ScaleMap(bool vertical, ScaleRange range, double length);

    // Changes the range (refused, returning false, when it is not valid) or the axis length in
    // pixels (negative counts as 0).
    bool SetRange(const ScaleRange& range);
    void SetLength(double length);

    bool Vertical() const { return vertical_; }
    const ScaleRange& Range() const { return range_; }
    double Length() const { return length_; }

    double ValueToPixel(double value) const { return map_.Map(value); }
    // The value at a pixel; for a zero-length axis the value of the first end.
    double PixelToValue(double pixel) const;
    // The pair (factor, offset) with pixel = factor * (offset + value).
    double Factor() const { return map_.Scale(); }
    double Offset() const;

    // The zone of a pixel: the outer quarters of the axis are its ends.
    Zone ZoneAt(double pixel) const;

    // The range after a drag of the middle: the value grabbed at the press lies at pixel, the
    // span is kept. Nothing when the result is not a valid range.
    std::optional<ScaleRange> Moved(double grabbedValue, double pixel) const;
    // The range after a drag of an end (FirstEnd or SecondEnd): the other end keeps its value
    // and place, and the value grabbed at the press lies at pixel. The pixel is held at least
    // kMinStretchPixels away from the fixed end, on the side of the grabbed end, so the range
    // neither collapses nor turns over. Nothing when the result is not a valid range.
    std::optional<ScaleRange> Stretched(Zone end, double grabbedValue, double pixel) const;

    static constexpr double kMinStretchPixels = 4.0;

private:
    void Update();
    // The range whose ends lie at pixels 0 and length_ under a map through two (value, pixel)
    // points.
    std::optional<ScaleRange> RangeThrough(double v0, double p0, double v1, double p1) const;

    bool vertical_ = true;
    ScaleRange range_;
    double length_ = 0.0;
    GUILib::Graticule map_;
};

}  // namespace Zor
