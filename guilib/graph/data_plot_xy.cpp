#include "guilib/graph/data_plot_xy.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "guilib/graph/draw_object.h"

namespace GUILib {

bool DataPlotXY::ToPixel(double factor, double offset, double v, int* pixel)
{
    const double p = factor * (offset + v);
    if (std::isnan(p)) return false;
    // Far values are pinned to the limit rather than converted as they are: a pixel beyond the
    // int range would wrap and draw the line the wrong way.
    *pixel = static_cast<int>(std::clamp(p, double(-kPixelLimit), double(kPixelLimit)));
    return true;
}

void DataPlotXY::SetScales(IScale* vertical, IScale* horizontal)
{
    vertical_ = platform::ComPtr<IScale>(vertical);
    horizontal_ = platform::ComPtr<IScale>(horizontal);
}

void DataPlotXY::Clear()
{
    points_.clear();
    runs_.clear();
    samples_.clear();
}

void DataPlotXY::Rebuild(const std::vector<float>& x, const std::vector<float>& y, QPoint origin)
{
    Clear();
    double fx = 0, ox = 0, fy = 0, oy = 0;
    if (!horizontal_ || !vertical_ || FAILED(horizontal_->GetTransform(&fx, &ox)) ||
        FAILED(vertical_->GetTransform(&fy, &oy)))
        return;

    const size_t n = std::min(x.size(), y.size());
    points_.reserve(n);
    samples_.reserve(n);
    bool open = false;
    for (size_t i = 0; i < n; ++i) {
        int px = 0, py = 0;
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || !ToPixel(fx, ox, x[i], &px) ||
            !ToPixel(fy, oy, y[i], &py)) {
            open = false;
            continue;
        }
        if (open)
            ++runs_.back();
        else
            runs_.push_back(1);
        open = true;
        points_.emplace_back(px + origin.x(), py + origin.y());
        samples_.emplace_back(x[i], y[i]);
    }
}

std::ptrdiff_t DataPlotXY::Nearest(QPoint p) const
{
    std::ptrdiff_t best = -1;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < points_.size(); ++i) {
        const int64_t dx = int64_t(points_[i].x()) - p.x();
        const int64_t dy = int64_t(points_[i].y()) - p.y();
        const int64_t d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<std::ptrdiff_t>(i);
        }
    }
    return best;
}

void DataPlotXY::SetClip(const QRect& rect, bool on)
{
    clip_ = rect;
    clipping_ = on;
}

void DataPlotXY::Draw(QPainter& painter, const DrawObject& object, const QColor& colour, int32_t size,
                      int32_t style) const
{
    object.Draw(painter, clipping_ ? &clip_ : nullptr, points_, runs_, colour, size, style);
}

}  // namespace GUILib
