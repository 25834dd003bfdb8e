#include "host/velogram/channel_scale.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "interfaces/scale.h"
#include "host/zor/gui/scale_ticks.h"

namespace Velogram {

namespace {

Zor::ScaleLook Look(const QString& caption)
{
    Zor::ScaleLook look;
    look.style = kScaleVerticalLeft;
    look.startInset = ChannelScale::kEndInset;
    look.endInset = ChannelScale::kEndInset;
    look.title = caption;
    return look;
}

Zor::ScaleRange RangeOrDefault(double top, double bottom)
{
    const Zor::ScaleRange range{top, bottom};
    return Zor::ScaleMap::IsValidRange(range) ? range : Zor::ScaleRange{1.0, -1.0};
}

}  // namespace

ChannelScale::ChannelScale(const QRect& lane, double top, double bottom)
    : map_(true, RangeOrDefault(top, bottom), Look(QString()).AxisLength(lane.size())),
      axisTop_(lane.top() + kEndInset)
{
}

void ChannelScale::Paint(QPainter& painter, const QRect& rect, const QString& caption) const
{
    const Zor::ScaleDraw draw(Zor::ScaleDraw::DeviceDpi(&painter, nullptr));
    draw.Draw(painter, rect, map_, Look(caption));
}

int ChannelScale::Width(double dpi)
{
    const Zor::ScaleDraw draw(dpi);
    return draw.Thickness(Zor::ScaleMap(true, {1.0, -1.0}, 100.0), Look(QStringLiteral("x")), 2);
}

bool ChannelScale::RangeFor(double lowest, double highest, double* top, double* bottom)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest)) return false;
    if (lowest > highest) std::swap(lowest, highest);
    double margin = (highest - lowest) / 10.0;
    if (!(margin > 0)) margin = std::max(1.0, std::abs(highest) / 10.0);
    double hi = highest + margin;
    double lo = lowest - margin;
    int32_t mantissa = 0, exponent = 0;
    Zor::RoundStep((hi - lo) / 10.0, &mantissa, &exponent);
    const double step = mantissa * Zor::PowerOfTen(exponent);
    if (step > 0 && std::isfinite(step)) {
        hi = std::ceil(hi / step) * step;
        lo = std::floor(lo / step) * step;
    }
    if (!(hi > lo) || !std::isfinite(hi - lo)) return false;
    *top = hi;
    *bottom = lo;
    return true;
}

bool ChannelScale::ZoomedRange(double top, double bottom, double value, double factor, double* newTop,
                               double* newBottom)
{
    if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(value)) return false;
    const Zor::ScaleRange zoomed{value + (top - value) / factor, value - (value - bottom) / factor};
    if (!Zor::ScaleMap::IsValidRange(zoomed)) return false;
    *newTop = zoomed.upper;
    *newBottom = zoomed.lower;
    return true;
}

}  // namespace Velogram
