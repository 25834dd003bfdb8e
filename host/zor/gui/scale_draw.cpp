#include "host/zor/gui/scale_draw.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include "interfaces/scale.h"

namespace Zor {

namespace {

constexpr double kMajorTick = 6.0;  // lengths at 96 dpi
constexpr double kMinorTick = 3.0;
constexpr double kGap = 3.0;
constexpr int kFontPoints = 8;

QString Label(double value, const ScaleTicks& ticks)
{
    return QString::fromStdString(FormatTickLabel(value, ticks));
}

bool Has(const ScaleLook& look, int16_t part) { return (look.parts & part) != 0; }

}  // namespace

bool ScaleLook::Vertical() const { return (style & kScaleOrientationMask) < kScaleHorizontalTop; }

QString ScaleLook::Caption() const
{
    if (title.isEmpty()) return unit;
    if (unit.isEmpty()) return title;
    return title + QStringLiteral(" (") + unit + QLatin1Char(')');
}

double ScaleLook::AxisLength(const QSize& size) const
{
    const int along = Vertical() ? size.height() : size.width();
    return std::max(0, along - startInset - endInset - 1);
}

ScaleDraw::ScaleDraw(double dpi) : dpi_(std::isfinite(dpi) && dpi > 0 ? dpi : 96.0)
{
    // "Tahoma" is mapped to the same face on every machine by the dialog font substitutions.
    font_ = QFont(QStringLiteral("Tahoma"));
    font_.setPixelSize(std::max(1, int(std::lround(kFontPoints * dpi_ / 72.0))));
}

double ScaleDraw::DeviceDpi(const QPainter* painter, const QPaintDevice* attribute)
{
    if (attribute) return attribute->logicalDpiY();
    if (painter && painter->device()) return painter->device()->logicalDpiY();
    return 96.0;
}

double ScaleDraw::LabelHeight() const { return QFontMetricsF(font_).height(); }

double ScaleDraw::WidestLabel(const ScaleTicks& ticks) const
{
    const QFontMetricsF metrics(font_);
    double widest = 0.0;
    for (int32_t i = 0; i < ticks.count; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(Label(ticks.Value(i), ticks)));
    return widest;
}

ScaleTicks ScaleDraw::Ticks(const ScaleMap& map) const
{
    const double length = map.Length();
    const ScaleRange& range = map.Range();
    if (map.Vertical()) return ComputeScaleTicks(range.lower, range.upper, length / (2.0 * LabelHeight()));
    // Label widths depend on the step: start from a guess and narrow the count until the widest
    // label of the chosen ticks fits its interval. Each pass only lowers the count, so this ends.
    const double space = 2.0 * QFontMetricsF(font_).averageCharWidth();
    double intervals = length / (4.0 * LabelHeight());
    ScaleTicks ticks = ComputeScaleTicks(range.lower, range.upper, intervals);
    for (int pass = 0; pass < 4 && ticks.count > 1; ++pass) {
        const double needed = WidestLabel(ticks) + space;
        const double spacing = std::fabs(map.Factor()) * ticks.Step();
        if (spacing >= needed) break;
        intervals = std::min(intervals - 1.0, length / needed);
        if (intervals < 1.0) intervals = 1.0;
        ticks = ComputeScaleTicks(range.lower, range.upper, intervals);
        if (intervals == 1.0) break;
    }
    return ticks;
}

int32_t ScaleDraw::Thickness(const ScaleMap& map, const ScaleLook& look, int32_t margin) const
{
    double size = 0.0;
    if (Has(look, kScaleMajorTicks) || Has(look, kScaleMinorTicks)) size += Px(kMajorTick);
    // Callers size a scale before they give it its range and texts (the selection pane does),
    // so room is kept for labels of seven characters and for the caption line at any time.
    if (Has(look, kScaleLabels)) {
        const double typical = QFontMetricsF(font_).horizontalAdvance(QStringLiteral("-000.00"));
        size += Px(kGap) + (look.Vertical() ? std::max(typical, WidestLabel(Ticks(map))) : LabelHeight());
    }
    if (Has(look, kScaleTitle)) size += Px(kGap) + LabelHeight();
    return int32_t(std::ceil(size + Px(kGap))) + std::max(0, margin);
}

void ScaleDraw::Draw(QPainter& painter, const QRect& rect, const ScaleMap& map, const ScaleLook& look) const
{
    painter.save();
    const bool vertical = look.Vertical();
    const int side = look.style & kScaleOrientationMask;
    // +1 when ticks and labels go towards growing x (or y) from the axis line, -1 otherwise.
    const double out = (side == kScaleVerticalRight || side == kScaleHorizontalBottom) ? 1.0 : -1.0;
    // The axis line lies on the edge that faces the plotted area.
    const double axis = vertical ? (out > 0 ? rect.left() : rect.right()) : (out > 0 ? rect.top() : rect.bottom());
    const double start = (vertical ? rect.top() : rect.left()) + look.startInset;
    const double length = map.Length();
    auto along = [&](double value) { return start + map.ValueToPixel(value); };
    auto line = [&](double a, double across0, double across1) {
        if (vertical)
            painter.drawLine(QPointF(across0, a), QPointF(across1, a));
        else
            painter.drawLine(QPointF(a, across0), QPointF(a, across1));
    };

    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, std::round(Px(1.0))));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setFont(font_);
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (Has(look, kScaleAxisLine)) {
        if (vertical)
            painter.drawLine(QPointF(axis, start), QPointF(axis, start + length));
        else
            painter.drawLine(QPointF(start, axis), QPointF(start + length, axis));
    }

    const ScaleTicks ticks = Ticks(map);
    if (Has(look, kScaleMinorTicks) && ticks.count > 0) {
        const double minor = ticks.Step() / ticks.minorDivisions;
        // Minor ticks run from one interval before the first major tick to one after the last.
        for (int32_t i = -1; i < ticks.count; ++i) {
            const double base = ticks.Value(std::max(i, 0)) - (i < 0 ? ticks.Step() : 0.0);
            for (int32_t k = 1; k < ticks.minorDivisions; ++k) {
                const double p = map.ValueToPixel(base + k * minor);
                if (p < -0.5 || p > length + 0.5) continue;
                line(start + p, axis, axis + out * Px(kMinorTick));
            }
        }
    }
    if (Has(look, kScaleMajorTicks))
        for (int32_t i = 0; i < ticks.count; ++i) line(along(ticks.Value(i)), axis, axis + out * Px(kMajorTick));

    const double labelHeight = LabelHeight();
    if (Has(look, kScaleLabels)) {
        const double labelEdge = axis + out * (Px(kMajorTick) + Px(kGap));
        const double width = std::max(1.0, double(vertical ? rect.width() : rect.height()));
        for (int32_t i = 0; i < ticks.count; ++i) {
            const double a = along(ticks.Value(i));
            const QString text = Label(ticks.Value(i), ticks);
            if (vertical) {
                const QRectF box = out > 0 ? QRectF(labelEdge, a - labelHeight / 2, width, labelHeight)
                                           : QRectF(labelEdge - width, a - labelHeight / 2, width, labelHeight);
                painter.drawText(box, (out > 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, text);
            } else {
                const double w = QFontMetricsF(font_).horizontalAdvance(text) + 2.0;
                const QRectF box = out > 0 ? QRectF(a - w / 2, labelEdge, w, labelHeight)
                                           : QRectF(a - w / 2, labelEdge - labelHeight, w, labelHeight);
                painter.drawText(box, Qt::AlignHCenter | (out > 0 ? Qt::AlignTop : Qt::AlignBottom), text);
            }
        }
    }

    const QString caption = look.Caption();
    if (Has(look, kScaleTitle) && !caption.isEmpty()) {
        // The caption runs along the axis beside the labels (or the ticks), centred on the axis'
        // middle, and never beyond the far edge: a scale wider than its labels need keeps the
        // caption by them, not out at its edge. On a vertical scale it reads upwards.
        const double middle = start + length / 2.0;
        double besideLabels = 0.0;
        if (Has(look, kScaleMajorTicks) || Has(look, kScaleMinorTicks)) besideLabels += Px(kMajorTick);
        if (Has(look, kScaleLabels))
            besideLabels += Px(kGap) + (vertical ? WidestLabel(ticks) : labelHeight);
        besideLabels += Px(kGap) + labelHeight / 2.0;
        if (vertical) {
            const double farEdge = out > 0 ? rect.right() + 1.0 : rect.left();
            const double atEdge = farEdge - out * labelHeight / 2.0;
            const double beside = axis + out * besideLabels;
            const double centre = out > 0 ? std::min(beside, atEdge) : std::max(beside, atEdge);
            painter.translate(centre, middle);
            painter.rotate(-90.0);
            painter.drawText(QRectF(-length, -labelHeight / 2, 2 * length, labelHeight), Qt::AlignCenter, caption);
        } else {
            const double farEdge = out > 0 ? rect.bottom() + 1.0 : rect.top();
            const double atEdge = farEdge - out * labelHeight / 2.0;
            const double beside = axis + out * besideLabels;
            const double centre = out > 0 ? std::min(beside, atEdge) : std::max(beside, atEdge);
            painter.drawText(QRectF(middle - length, centre - labelHeight / 2, 2 * length, labelHeight),
                             Qt::AlignCenter, caption);
        }
    }
    painter.restore();
}

}  // namespace Zor
