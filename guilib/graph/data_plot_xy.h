// GUILib::DataPlotXY: one XY plot of the graph as ready-made pixel points. The points are
// rebuilt from the plot's two columns when the data or the scales change (Rebuild), not at
// every paint; painting hands them to a draw object.
//
// Pixels: a value v of an axis lies at f * (o + v), (f, o) being the axis scale's transform
// (IScale::GetTransform), limited to -kPixelLimit .. kPixelLimit, truncated towards zero and
// then shifted by the graph's origin (the graph pixel where axis pixel 0 of both scales
// lies). Samples whose x or y is not finite (or maps to no number) are not points: they end
// the current run, so a gap in the data is a gap in the drawing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <QColor>
#include <QPoint>
#include <QRect>

#include "interfaces/scale.h"
#include "guilib/table/ref_count_ptr.h"
#include "platform/com_ptr.h"

class QPainter;

namespace GUILib {

class DrawObject;

class DataPlotXY final : public CRefCountRep {
public:
    static constexpr int kPixelLimit = 16000;

    // The pixel of value v through the transform (factor, offset), limited to +-kPixelLimit
    // and truncated; false when it is not a number (v or the transform not finite).
    static bool ToPixel(double factor, double offset, double v, int* pixel);

    // [in] vertical, horizontal: the scales (references are taken; null allowed).
    void SetScales(IScale* vertical, IScale* horizontal);

    // Rebuilds the points from the samples (x[i], y[i]), i below the shorter length, through
    // the scales' current transforms, shifted by origin. Without both scales, or when a scale's
    // transform fails, the plot has no points.
    void Rebuild(const std::vector<float>& x, const std::vector<float>& y, QPoint origin);
    // Forgets every point.
    void Clear();

    bool HasData() const { return !points_.empty(); }
    const std::vector<QPoint>& Points() const { return points_; }
    // Lengths of the runs of consecutive points, in order; they add up to the point count.
    const std::vector<int32_t>& Runs() const { return runs_; }
    // The sample (x, y) of each point.
    const std::vector<std::pair<float, float>>& Samples() const { return samples_; }

    // The index of the point nearest to p (Euclidean distance; the first of equally near
    // points), or -1 when there is none.
    std::ptrdiff_t Nearest(QPoint p) const;

    // The rectangle drawing is limited to while clipping is on.
    void SetClip(const QRect& rect, bool on);

    // Draws the points with a draw object (DrawObject::Draw has the arguments).
    void Draw(QPainter& painter, const DrawObject& object, const QColor& colour, int32_t size,
              int32_t style) const;

private:
    platform::ComPtr<IScale> vertical_;
    platform::ComPtr<IScale> horizontal_;
    std::vector<QPoint> points_;
    std::vector<int32_t> runs_;
    std::vector<std::pair<float, float>> samples_;
    QRect clip_;
    bool clipping_ = false;
};

}  // namespace GUILib
