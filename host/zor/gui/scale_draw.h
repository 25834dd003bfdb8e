// Zor::ScaleDraw: draws a scale with a painter and measures what it needs. It knows nothing of
// windows or the mouse: the same routine paints the scale's window, an image, an SVG picture and
// a printer page. Sizes follow the resolution it is made for (texts in points, lines and ticks
// in 1/96 inch), so a scale on a 1200 dpi page looks like the one on the screen.
#pragma once

#include <cstdint>

#include <QFont>
#include <QRect>
#include <QString>

#include "host/zor/gui/scale_map.h"
#include "host/zor/gui/scale_ticks.h"

class QPainter;
class QPaintDevice;

namespace Zor {

// What a scale shows besides its range.
struct ScaleLook {
    int32_t style = 0;       // ScaleStyle (interfaces/scale.h)
    int32_t startInset = 0;  // pixels between the window's top/left edge and the first end
    int32_t endInset = 0;    // pixels between the second end and the bottom/right edge
    int16_t parts = -1;      // ScalePart bits
    QString title;
    QString unit;

    bool Vertical() const;
    // "title (unit)", or whichever of the two is set; empty when neither is.
    QString Caption() const;
    // The axis length L for a window or rectangle of that size (0 when the insets leave none).
    double AxisLength(const QSize& size) const;
};

class ScaleDraw {
public:
    // [in] dpi: the resolution of the device drawn on (dots per inch, > 0; 96 is assumed for
    // anything else).
    explicit ScaleDraw(double dpi);

    // The resolution that drawing on a painter uses: that of the attribute device (the printer
    // a preview imitates) when given, else that of the painter's device.
    static double DeviceDpi(const QPainter* painter, const QPaintDevice* attribute);

    QFont Font() const { return font_; }

    // The ticks shown on an axis of map's range and length: as many as fit with labels that do
    // not touch (two label heights apart on a vertical axis, the widest label and two character
    // widths on a horizontal one).
    ScaleTicks Ticks(const ScaleMap& map) const;

    // The thickness across the axis that ticks, labels and caption need, plus margin pixels.
    // Labels count at least seven characters wide and the caption line is counted whenever the
    // caption part is drawn, so a scale sized before it has its range and texts still fits them.
    int32_t Thickness(const ScaleMap& map, const ScaleLook& look, int32_t margin) const;

    // Draws the scale into rect: axis line on the edge that faces the plotted area, ticks,
    // labels and the caption on the far side. The map's length must be look.AxisLength of rect.
    // The painter's state is restored afterwards.
    void Draw(QPainter& painter, const QRect& rect, const ScaleMap& map, const ScaleLook& look) const;

private:
    double Px(double at96) const { return at96 * dpi_ / 96.0; }
    double LabelHeight() const;
    double WidestLabel(const ScaleTicks& ticks) const;

    double dpi_;
    QFont font_;
};

}  // namespace Zor
