// Velogram::ChannelScale: the plain vertical scale of one channel's lane in the data window and
// the value-to-row map that the channel's trace is drawn with, so that trace and scale always
// agree. The scale is drawn by the framework's scale drawer (Zor::ScaleDraw): axis line on the
// lane's side, ticks, labels and the caption "name (unit)" reading upwards; values are in the
// channel's prefixed unit, top value at the top of the lane.
#pragma once

#include <QRect>
#include <QString>

#include "host/zor/gui/scale_draw.h"
#include "host/zor/gui/scale_map.h"

class QPainter;

namespace Velogram {

class ChannelScale {
public:
    // The room at either end of a lane's axis, so that the end labels stay inside the lane.
    static constexpr int kEndInset = 8;

    // [in] lane: the rows the channel occupies (client coordinates); top, bottom: the display
    // range (an invalid range, top not above bottom, shows +1 to -1).
    ChannelScale(const QRect& lane, double top, double bottom);

    // The client row of a value of the display unit (not clamped).
    double Row(double value) const { return axisTop_ + map_.ValueToPixel(value); }
    const Zor::ScaleRange& Range() const { return map_.Range(); }

    // Paints the scale in rect (the lane's rows, the scale's columns: axis on its right edge).
    void Paint(QPainter& painter, const QRect& rect, const QString& caption) const;

    // The width a scale needs at the resolution dpi.
    static int Width(double dpi);

    // A display range for values from lowest to highest (display unit): widened by a tenth of
    // the span on either side and rounded outwards to the round step of the span; a single
    // value v gets v +- 1 (or +- a tenth of |v|, when that is more). [out] top, bottom. False
    // (nothing written) when either value is not finite.
    static bool RangeFor(double lowest, double highest, double* top, double* bottom);
    // The display range zoomed by factor (> 1 closer, < 1 farther) around value, which keeps
    // its row: each end moves towards value to 1 / factor of its distance. [out] top, bottom.
    // False (nothing written) when the result is no range a scale shows (too narrow for a
    // double, or not finite).
    static bool ZoomedRange(double top, double bottom, double value, double factor, double* newTop,
                            double* newBottom);

private:
    Zor::ScaleMap map_;
    double axisTop_;
};

}  // namespace Velogram
