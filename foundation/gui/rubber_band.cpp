#include "foundation/gui/rubber_band.h"

#include <algorithm>

#include <QPainter>
#include <QWidget>

namespace KVI {
namespace {

// The band spans its two corners whichever way it was dragged, both corners included.
// (QRect::normalized would treat a reversed rectangle's corners as exclusive.)
QRect Normalised(const QRect& r)
{
    return QRect(QPoint(std::min(r.left(), r.right()), std::min(r.top(), r.bottom())),
                 QPoint(std::max(r.left(), r.right()), std::max(r.top(), r.bottom())));
}

}  // namespace

QRegion VisibleBand(const QRect& rect, const std::optional<QRect>& clip)
{
    const QRect band = Normalised(rect);
    return QRegion(clip ? band & Normalised(*clip) : band);
}

QRegion RubberBandUpdate(const std::optional<QRect>& current, const QRect& next)
{
    const QRegion after = VisibleBand(next);
    return current ? VisibleBand(*current).xored(after) : after;
}

QRegion RubberBandUpdate(const std::optional<QRect>& current, const QRect& next, const QRect& clip)
{
    const QRegion after = VisibleBand(next, clip);
    return current ? VisibleBand(*current, clip).xored(after) : after;
}

void RubberBand::Move(const QRect& rect)
{
    MoveTo(rect, std::nullopt);
}

void RubberBand::Move(const QRect& rect, const QRect& clip)
{
    MoveTo(rect, clip);
}

void RubberBand::MoveTo(const QRect& rect, const std::optional<QRect>& clip)
{
    // The band remembers the pixels it inverted rather than its clip, so a clip that changes
    // between moves still restores exactly what was inverted.
    const QRegion after = VisibleBand(rect, clip);
    const QRegion changed = shown_ ? visible_.xored(after) : after;
    rect_ = Normalised(rect);
    visible_ = after;
    shown_ = true;
    if (owner_ && !changed.isEmpty()) owner_->update(changed);
}

void RubberBand::Hide()
{
    if (!shown_) return;
    shown_ = false;
    if (owner_ && !visible_.isEmpty()) owner_->update(visible_);
    visible_ = QRegion();
}

void RubberBand::Paint(QPainter& painter) const
{
    if (!shown_) return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& r : visible_) painter.fillRect(r, Qt::black);
    painter.restore();
}

}  // namespace KVI
