#include "host/velogram/trace_painter.h"

#include <algorithm>
#include <cmath>
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

MinMax EnvelopeOf(std::span<const float> samples)
{
    MinMax m;
    for (float v : samples) m.Merge(v);
    return m;
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

    // Fewer samples per column than a bucket: the pyramid is too coarse to draw from.
    const bool fine = layout_.ScaleP() * SampleSummary::kBucket > layout_.ScaleQ();
    const bool sparse = layout_.ScaleP() >= layout_.ScaleQ();
    int32_t withSamples = 0;
    for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
        const SampleSummary* summary = summaries_.Get(channel, b);
        if (!summary) continue;
        ++withSamples;
        const int64_t start = origin_ + layout_.DataStart(b);
        const Columns columns{b, std::max<int64_t>(0, clip.left() - start - 1),
                              std::min<int64_t>(layout_.DataWidth(b), clip.right() + 2 - start)};
        if (columns.from >= columns.to) continue;
        std::span<const float> samples = summary->Samples();
        int64_t base = 0;
        if (fine && samples.empty()) {
            // One sample beyond either end, so the lines into the strip are drawn.
            const int64_t first = layout_.FirstSampleOfColumn(b, columns.from) - 1;
            const int64_t last = layout_.FirstSampleOfColumn(b, columns.to) + 1;
            samples = summaries_.Detail(channel, b, first, last, &base);
        }
        if (sparse && !samples.empty())
            PaintPolyline(painter, samples, base, columns, scale, factor, lane);
        else
            PaintEnvelope(painter, *summary, samples, base, columns, scale, factor, lane);
    }
    painter.restore();
    return withSamples;
}

void TracePainter::PaintEnvelope(QPainter& painter, const SampleSummary& summary, std::span<const float> samples,
                                 int64_t base, const Columns& columns, const ChannelScale& scale, double factor,
                                 const QRect& lane) const
{
    // The samples read for this paint when there are any, else the summary.
    const bool read = !samples.empty() && summary.Samples().empty();
    const auto range = [&](int64_t first, int64_t last) {
        if (!read) return summary.Range(first, last);
        first = std::clamp<int64_t>(first - base, 0, int64_t(samples.size()));
        last = std::clamp<int64_t>(last - base, first, int64_t(samples.size()));
        return EnvelopeOf(samples.subspan(size_t(first), size_t(last - first)));
    };
    const int64_t x0 = origin_ + layout_.DataStart(columns.block);
    std::vector<QLine> lines;
    lines.reserve(size_t(columns.to - columns.from));
    bool joined = false;
    int previousTop = 0, previousBottom = 0;
    int64_t first = layout_.FirstSampleOfColumn(columns.block, columns.from);
    for (int64_t c = columns.from; c < columns.to; ++c) {
        const int64_t last = layout_.FirstSampleOfColumn(columns.block, c + 1);
        const MinMax m = range(first, last);
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
        const int x = static_cast<int>(x0 + c);
        lines.emplace_back(x, drawTop, x, drawBottom);
        previousTop = top;
        previousBottom = bottom;
        joined = true;
    }
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

void TracePainter::PaintPolyline(QPainter& painter, std::span<const float> samples, int64_t base,
                                 const Columns& columns, const ChannelScale& scale, double factor,
                                 const QRect& lane) const
{
    const double x0 = double(origin_ + layout_.DataStart(columns.block));
    const double perSample = double(layout_.ScaleP()) / double(layout_.ScaleQ());
    // One sample before and after the clipped columns, so the lines into the strip are drawn.
    const int64_t end = base + int64_t(samples.size());
    const int64_t first = std::max<int64_t>(layout_.FirstSampleOfColumn(columns.block, columns.from) - 1, base);
    const int64_t last = std::min<int64_t>(layout_.FirstSampleOfColumn(columns.block, columns.to) + 1, end);
    std::vector<QPointF> run;
    auto flush = [&] {
        if (run.size() == 1) painter.drawPoint(run.front());
        if (run.size() > 1) painter.drawPolyline(run.data(), static_cast<int>(run.size()));
        run.clear();
    };
    for (int64_t s = first; s < last; ++s) {
        const float v = samples[size_t(s - base)];
        if (std::isnan(v)) {
            flush();
            continue;
        }
        run.emplace_back(x0 + std::floor(double(s) * perSample), RowOf(scale, v * factor, lane));
    }
    flush();
}

}  // namespace Velogram
