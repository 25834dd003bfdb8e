#include "values/graticule.h"

#include <cmath>
#include <limits>

namespace GUILib {

bool Graticule::SetXPair(double x0, double x1)
{
    // x1 - x0 > 0 rejects equal, decreasing and NaN pairs; the finiteness test rejects
    // infinite ends, whose map would be all NaN.
    const double span = x1 - x0;
    if (!(span > 0.0) || !std::isfinite(span))
        return false;
    x0_ = x0;
    x1_ = x1;
    Update();
    return true;
}

void Graticule::SetYPair(double y0, double y1)
{
    y0_ = y0;
    y1_ = y1;
    Update();
}

double Graticule::InverseMap(double y) const
{
    if (scale_ == 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return (y - offset_) / scale_;
}

void Graticule::Update()
{
    // The intercept is taken from both ends at once rather than as y0 - scale * x0, so that
    // the map stays symmetric in its two points.
    const double span = x1_ - x0_;
    scale_ = (y1_ - y0_) / span;
    offset_ = (x1_ * y0_ - x0_ * y1_) / span;
}

}  // namespace GUILib
