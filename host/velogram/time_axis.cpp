#include "host/velogram/time_axis.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>

#include "interfaces/scale.h"
#include "host/zor/gui/scale_draw.h"
#include "host/zor/gui/scale_map.h"

namespace Velogram {

namespace {

Zor::ScaleLook Look(int32_t block, const QString& unit)
{
    Zor::ScaleLook look;
    look.style = kScaleHorizontalBottom;
    look.title = QCoreApplication::translate("Velogram::TimeAxis", "Block %1").arg(block + 1);
    look.unit = unit;
    return look;
}

}  // namespace

int TimeAxis::Height(double dpi)
{
    const Zor::ScaleDraw draw(dpi);
    return draw.Thickness(Zor::ScaleMap(false, {1.0, 0.0}, 100.0), Look(0, QStringLiteral("ms")), 0);
}

QString TimeAxis::UnitText(double seconds, double* perUnit)
{
    seconds = std::fabs(seconds);
    *perUnit = seconds >= 1.0 ? 1.0 : seconds >= 1e-3 ? 1e-3 : seconds >= 1e-6 ? 1e-6 : 1e-9;
    if (*perUnit == 1.0) return QStringLiteral("s");
    if (*perUnit == 1e-3) return QStringLiteral("ms");
    return *perUnit == 1e-6 ? QStringLiteral("\u00B5s") : QStringLiteral("ns");
}

void TimeAxis::Paint(QPainter& painter, const QRect& rect, int32_t block, double fromSample, double toSample,
                     double interval)
{
    double from = fromSample, to = toSample;
    QString unit = QCoreApplication::translate("Velogram::TimeAxis", "samples");
    if (interval > 0) {
        double perUnit = 1.0;
        unit = UnitText(std::max(std::fabs(fromSample), std::fabs(toSample)) * interval, &perUnit);
        from = fromSample * interval / perUnit;
        to = toSample * interval / perUnit;
    }
    const Zor::ScaleDraw draw(Zor::ScaleDraw::DeviceDpi(&painter, nullptr));
    Zor::ScaleLook look = Look(block, unit);
    // The axis keeps half a label's room from the block's ends, so that the end labels stay
    // over the block instead of running into the gap and the next block's labels.
    const int room = QFontMetrics(draw.Font()).horizontalAdvance(QStringLiteral("00000")) / 2 + 2;
    if (rect.width() > 4 * room) look.startInset = look.endInset = room;
    const double length = look.AxisLength(rect.size());
    const auto valueAt = [&](double pixel) { return from + pixel / double(rect.width()) * (to - from); };
    const Zor::ScaleRange range{valueAt(look.startInset + length), valueAt(look.startInset)};
    if (!Zor::ScaleMap::IsValidRange(range)) return;
    draw.Draw(painter, rect, Zor::ScaleMap(false, range, length), look);
}

}  // namespace Velogram
