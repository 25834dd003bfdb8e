// Velogram::TracePainter: draws one channel's samples across the blocks of the data window,
// block by block, from the channel's sample summaries. Where a pixel column covers more than
// one sample, the column shows the envelope of its samples as one vertical line, joined to the
// line of the column before so the trace has no breaks; the envelope is one Range query per
// column (SampleSummary), so a paint reads at most one minimum/maximum pair per column
// whatever the number of samples. Where a column covers fewer samples than a summary's bucket
// and the summary does not keep its samples (a zoomed-in view of a long block), the samples of
// the visible columns are read for the paint (SummaryCache::Detail), so envelopes stay exact.
// Where a column covers at most one sample, the trace is a polyline through the samples. NaN
// samples leave a break.
//
// Only the columns inside the painter's clip are drawn, so a repaint of a strip (the selection
// moving) costs that strip.
#pragma once

#include <cstdint>
#include <span>

#include <QColor>
#include <QRect>

#include "host/velogram/channel_scale.h"
#include "host/velogram/data_layout.h"
#include "host/velogram/summary_cache.h"

class QPainter;

namespace Velogram {

class TracePainter {
public:
    // [in] layout, summaries: outlive the painter. origin: the client column of layout pixel
    // 0 (left of the plot when the view is scrolled).
    TracePainter(const DataLayout& layout, SummaryCache& summaries, int64_t origin)
        : layout_(layout), summaries_(summaries), origin_(origin)
    {
    }

    // Draws the channel into lane (client coordinates; the painter is clipped to it), columns
    // within clip only. [in] factor: turns the samples' base unit into the display unit of
    // scale. Returns the number of blocks in which the channel has samples.
    int32_t Paint(QPainter& painter, int32_t channel, const QRect& lane, const QRect& clip, const ChannelScale& scale,
                  double factor, const QColor& colour) const;

private:
    // One block's columns [fromColumn, toColumn) of the block (0 at its data start).
    struct Columns {
        int32_t block;
        int64_t from;
        int64_t to;
    };

    void PaintEnvelope(QPainter& painter, const SampleSummary& summary, std::span<const float> samples, int64_t base,
                       const Columns& columns, const ChannelScale& scale, double factor, const QRect& lane) const;
    void PaintPolyline(QPainter& painter, std::span<const float> samples, int64_t base, const Columns& columns,
                       const ChannelScale& scale, double factor, const QRect& lane) const;

    const DataLayout& layout_;
    SummaryCache& summaries_;
    int64_t origin_;
};

}  // namespace Velogram
