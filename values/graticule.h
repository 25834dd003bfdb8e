// GUILib::Graticule: the linear map from values to pixels used by the graph and table
// components, and by the point-to-point calibration as its segment map.
//
// The map is fixed by two points: the x pair (x0, x1) maps to the y pair (y0, y1), so
//   Map(x) = scale * x + offset,  scale = (y1 - y0) / (x1 - x0),
//   offset = (x1 y0 - x0 y1) / (x1 - x0).
// A new graticule is the identity: (0, 0) and (1, 1). Qt-free; a plain value type.
#pragma once

namespace GUILib {

class Graticule {
public:
    Graticule() = default;

    // Sets the x pair. Refuses (returns false, map unchanged) a pair that is not strictly
    // increasing, which includes a NaN, and a pair whose span is not finite (an infinite end).
    bool SetXPair(double x0, double x1);

    // Sets the y pair; any pair is accepted (y0 == y1 gives a constant map, y0 > y1 a
    // decreasing one, as for pixel rows that grow downwards).
    void SetYPair(double y0, double y1);

    // The value x mapped through the line (no clamping).
    double Map(double x) const { return scale_ * x + offset_; }

    // The x that maps to y; a quiet NaN when the map is constant (y0 == y1).
    double InverseMap(double y) const;

    double Scale() const { return scale_; }
    double Offset() const { return offset_; }
    double X0() const { return x0_; }
    double X1() const { return x1_; }
    double Y0() const { return y0_; }
    double Y1() const { return y1_; }

private:
    void Update();

    double x0_ = 0.0;
    double x1_ = 1.0;
    double y0_ = 0.0;
    double y1_ = 1.0;
    double scale_ = 1.0;
    double offset_ = 0.0;
};

}  // namespace GUILib
