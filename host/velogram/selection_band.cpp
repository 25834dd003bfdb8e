#include "host/velogram/selection_band.h"

namespace Velogram {

namespace {

QRegion Edges(const QRect& band)
{
    QRegion edges(QRect(band.left(), band.top(), 1, band.height()));
    return edges.united(QRect(band.right(), band.top(), 1, band.height()));
}

}  // namespace

QRegion BandRepaintRegion(const std::optional<QRect>& from, const std::optional<QRect>& to)
{
    if (from == to) return QRegion();
    const QRegion before = from ? QRegion(*from) : QRegion();
    const QRegion after = to ? QRegion(*to) : QRegion();
    QRegion changed = before.xored(after);
    if (from) changed += Edges(*from);
    if (to) changed += Edges(*to);
    return changed;
}

}  // namespace Velogram
