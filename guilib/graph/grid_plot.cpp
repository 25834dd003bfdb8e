#include "guilib/graph/grid_plot.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPen>

namespace GUILib {

std::vector<int> GridPlot::TickPixels(IScale* scale, int base, int low, int high)
{
    std::vector<int> pixels;
    double first = 0, spacing = 0;
    int32_t lowest = 0, highest = 0;
    if (!scale || scale->GetTicks(&first, &spacing) != S_OK || !(spacing >= 1.0) || !std::isfinite(spacing) ||
        !std::isfinite(first) || FAILED(scale->GetExtent(&lowest, &highest)))
        return pixels;

    // Ticks within the scale's extent and the rectangle both: floor(base + first + k *
    // spacing) in [low, high) for axis pixels in [lowest, highest].
    const double from = std::max<double>(lowest, double(low) - base);
    const double to = std::min<double>(highest, double(high) - base);
    if (!(from <= to)) return pixels;
    const double kFirst = std::ceil((from - first) / spacing);
    const double kLast = std::floor((to - first) / spacing);
    for (double k = kFirst; k <= kLast; ++k) {
        const double p = std::floor(base + first + k * spacing);
        if (p >= low && p < high) pixels.push_back(static_cast<int>(p));
    }
    return pixels;
}

void GridPlot::SetScales(IScale* vertical, IScale* horizontal)
{
    vertical_ = platform::ComPtr<IScale>(vertical);
    horizontal_ = platform::ComPtr<IScale>(horizontal);
}

void GridPlot::Draw(QPainter& painter) const
{
    if (mode_ != kDottedLines && mode_ != kCrossingPixels) return;
    const int left = rect_.left(), right = rect_.left() + rect_.width();
    const int top = rect_.top(), bottom = rect_.top() + rect_.height();
    const std::vector<int> rows = TickPixels(vertical_.Get(), top + origin_.y(), top, bottom);
    const std::vector<int> columns = TickPixels(horizontal_.Get(), left + origin_.x(), left, right);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (mode_ == kDottedLines) {
        painter.setPen(QPen(colour_, std::max(penWidth_, 1), Qt::DotLine));
        for (int y : rows) painter.drawLine(left, y, right - 1, y);
        for (int x : columns) painter.drawLine(x, top, x, bottom - 1);
    } else {
        painter.setPen(QPen(colour_, 0));
        for (int y : rows)
            for (int x : columns) painter.drawPoint(x, y);
    }
    painter.restore();
}

}  // namespace GUILib
