#include "guilib/graph/bitmap_cursor.h"

#include <QPaintEngine>
#include <QPainter>

#include "foundation/gui/resource_bitmap.h"

namespace GUILib {

CBitmapCursor::CBitmapCursor() : CBitmapCursor(KVI::LoadBitmapImage(KVI::BitmapId::kGraphCursor), QPoint(8, 8)) {}

CBitmapCursor::CBitmapCursor(const QImage& bitmap, QPoint hotSpot) : hotSpot_(hotSpot)
{
    // An opaque source: Qt's exclusive-or then combines the colours and keeps the
    // destination opaque (a source with alpha would be premultiplied first and lose its colour).
    if (!bitmap.isNull()) bitmap_ = bitmap.convertToFormat(QImage::Format_RGB32);
}

QRect CBitmapCursor::Rect() const
{
    return QRect(position_ - hotSpot_, bitmap_.size());
}

void CBitmapCursor::Draw(QPainter& painter) const
{
    if (bitmap_.isNull() || !painter.paintEngine() || painter.paintEngine()->type() != QPaintEngine::Raster) return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(position_ - hotSpot_, bitmap_);
    painter.restore();
}

}  // namespace GUILib
