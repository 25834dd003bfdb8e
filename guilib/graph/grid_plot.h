// GUILib::GridPlot: the graph's grid at the major ticks of its two scales.
//
// A scale's ticks lie at axis pixels first + k * spacing (IScale::GetTicks) within its extent
// (IScale::GetExtent). Axis pixel 0 of both scales lies at the graph's origin, measured from the
// top-left of the grid's rectangle; tick positions are floored to whole pixels and only those
// inside the rectangle are drawn.
#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QPoint>
#include <QRect>

#include "interfaces/scale.h"
#include "guilib/table/ref_count_ptr.h"
#include "platform/com_ptr.h"

class QPainter;

namespace GUILib {

class GridPlot final : public CRefCountRep {
public:
    enum Mode : int32_t {
        kDottedLines = 0,     // a dotted line across the rectangle at every tick
        kCrossingPixels = 1,  // one pixel at every crossing of a vertical and a horizontal tick
    };

    // The pixels of a scale's ticks along one side of the rectangle, in increasing order.
    // [in] base: where axis pixel 0 lies (the rectangle's edge plus the origin); low, high:
    // the rectangle's pixels along the axis, high exclusive. None when the scale has no ticks
    // (S_FALSE, a failure, a spacing that is not positive) or when its ticks lie closer than
    // one pixel apart (such a grid would only fill the rectangle).
    static std::vector<int> TickPixels(IScale* scale, int base, int low, int high);

    // [in] vertical, horizontal: the scales (references are taken; null allowed: no lines for
    // that axis).
    void SetScales(IScale* vertical, IScale* horizontal);
    void SetRect(const QRect& rect) { rect_ = rect; }
    void SetOrigin(QPoint origin) { origin_ = origin; }

    // Mode 0 draws, with a dotted pen of the colour penWidth_ pixels wide, a horizontal line
    // across the rectangle at every vertical tick and a vertical line at every horizontal tick;
    // mode 1 sets one pixel of the colour at every crossing; other modes draw nothing.
    // NOTE: the pen has a width in the painter's pixels, never the zero-width cosmetic pen: a
    // printer draws a cosmetic dotted pen one device pixel wide, dots and gaps a device pixel
    // each, which prints as a solid hairline.
    void Draw(QPainter& painter) const;

    int32_t mode_ = kDottedLines;
    QColor colour_{166, 202, 240};
    // 1 on the screen; a device of higher resolution gets as many of its pixels as make one
    // screen pixel, so that its dots look as on the screen.
    int32_t penWidth_ = 1;

private:
    platform::ComPtr<IScale> vertical_;
    platform::ComPtr<IScale> horizontal_;
    QRect rect_;
    QPoint origin_;
};

}  // namespace GUILib
