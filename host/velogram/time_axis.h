// Velogram::TimeAxis: the horizontal axis under one block of the data window, drawn by the
// framework's scale drawer (Zor::ScaleDraw): ticks and labels of the block's visible span in
// time from the block's start, in the unit that suits the span (s, ms, µs, ns), or in samples
// for a block without a sample interval; the caption names the block and the unit
// ("Block 2 (ms)").
#pragma once

#include <cstdint>

#include <QRect>
#include <QString>

class QPainter;

namespace Velogram {

class TimeAxis {
public:
    // The rows an axis takes at the resolution dpi.
    static int Height(double dpi);

    // Paints the axis into rect: its columns are the block's visible columns, its top row the
    // axis line. [in] fromSample, toSample: the (fractional) samples at rect's left edge and
    // one past its right edge; interval: seconds per sample, 0 for none.
    static void Paint(QPainter& painter, const QRect& rect, int32_t block, double fromSample, double toSample,
                      double interval);

    // The unit of an axis whose times reach seconds (the larger magnitude): its text and the
    // seconds it stands for.
    static QString UnitText(double seconds, double* perUnit);
};

}  // namespace Velogram
