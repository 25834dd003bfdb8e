#include "host/velogram/trace_painter.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPointF>

namespace Velogram {

namespace {

// Rows far outside the lane are held near it: the painter clips them anyway, and integer rows
// must not overflow for values far off the scale.
int RowOf(const ChannelScale& scale, double value, const QRect& lane)
{
    const double row = scale.Row(value);
    const double lo = lane.top() - 2.0;
    const double hi = lane.bottom() + 2.0;
    return static_cast<int>(std::lround(std::clamp(row, lo, hi)));
}

}  // namespace

int32_t TracePainter::Paint(QPainter& painter, int32_t channel, const QRect& lane, const QRect& clip,
                            const ChannelScale& scale, double factor, const QColor& colour) const
{
    painter.save();
    painter.setClipRect(lane & clip);
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);

    int32_t withSamples = 0;
    for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
        const SampleSummary* summary = summaries_.Get(channel, b);
        if (!summary) continue;
        ++withSamples;
        const int64_t start = plotLeft_ + layout_.DataStart(b);
        const int64_t from = std::max<int64_t>(0, clip.left() - start - 1);
        const int64_t to = std::min<int64_t>(layout_.DataWidth(b), clip.right() + 2 - start);
        if (from >= to) continue;
        const bool sparse = layout_.ScaleP() >= layout_.ScaleQ();
        if (sparse && !summary->Samples().empty())
            PaintPolyline(painter, *summary, b, from, to, scale, factor, lane);
        else
            PaintEnvelope(painter, *summary, b, from, to, scale, factor, lane);
    }
    painter.restore();
    return withSamples;
}

void TracePainter::PaintEnvelope(QPainter& painter, const SampleSummary& summary, int32_t block, int64_t fromColumn,
                                 int64_t toColumn, const ChannelScale& scale, double factor, const QRect& lane) const
{
    const int x0 = static_cast<int>(plotLeft_ + layout_.DataStart(block));
    std::vector<QLine> lines;
    lines.reserve(size_t(toColumn - fromColumn));
    bool joined = false;
    int previousTop = 0, previousBottom = 0;
    int64_t first = layout_.FirstSampleOfColumn(block, fromColumn);
    for (int64_t c = fromColumn; c < toColumn; ++c) {
        const int64_t last = layout_.FirstSampleOfColumn(block, c + 1);
        const MinMax m = summary.Range(first, last);
        first = last;
        if (m.Empty()) {
            joined = false;
            continue;
        }
        // Rows grow downwards: the maximum is the top of the line.
        const int top = RowOf(scale, m.max * factor, lane);
        const int bottom = RowOf(scale, m.min * factor, lane);
        int drawTop = top, drawBottom = bottom;
        if (joined) {
            // Reach the line of the column before when this one lies wholly above or below it.
            drawBottom = std::max(drawBottom, previousTop);
            drawTop = std::min(drawTop, previousBottom);
        }
        const int x = x0 + static_cast<int>(c);
        lines.emplace_back(x, drawTop, x, drawBottom);
        previousTop = top;
        previousBottom = bottom;
        joined = true;
    }
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

void TracePainter::PaintPolyline(QPainter& painter, const SampleSummary& summary, int32_t block, int64_t fromColumn,
                                 int64_t toColumn, const ChannelScale& scale, double factor, const QRect& lane) const
{
    const std::span<const float> samples = summary.Samples();
    const double x0 = plotLeft_ + layout_.DataStart(block);
    const double perSample = double(layout_.ScaleP()) / double(layout_.ScaleQ());
    // One sample before and after the clipped columns, so the lines into the strip are drawn.
    const int64_t first = std::max<int64_t>(layout_.FirstSampleOfColumn(block, fromColumn) - 1, 0);
    const int64_t last = std::min<int64_t>(layout_.FirstSampleOfColumn(block, toColumn) + 1, int64_t(samples.size()));
    std::vector<QPointF> run;
    auto flush = [&] {
        if (run.size() == 1) painter.drawPoint(run.front());
        if (run.size() > 1) painter.drawPolyline(run.data(), static_cast<int>(run.size()));
        run.clear();
    };
    for (int64_t s = first; s < last; ++s) {
        const float v = samples[size_t(s)];
        if (std::isnan(v)) {
            flush();
            continue;
        }
        run.emplace_back(x0 + std::floor(double(s) * perSample), RowOf(scale, v * factor, lane));
    }
    flush();
}

}  // namespace Velogram

