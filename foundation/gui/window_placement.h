// Placing a dialog window on the screen and keeping rectangles inside the work area (the screen
// without task bars and docks). The arithmetic is in pure functions on rectangles; PlaceWindow
// applies it to a widget.
//
// Rectangles here are QRects (right() == left + width - 1); "the right edge" in the contracts
// below is the exclusive one, left + width, as the work area's is.
#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace KVI {

enum class Placement : int {
    kCentred = 0,   // on the parent window, or on the work area when there is no parent
    kAtCursor = 1,  // top-left corner at the mouse cursor
    kAtPoint = 2,   // top-left corner at a given point
};

// The rectangle moved into the work area, in this order: up when its bottom is below the work
// area's, left when its right edge is beyond the work area's, down when its top is above the work
// area's, right when its left edge is left of the work area's. The last two win for a rectangle
// larger than the work area. Size is kept.
QRect BringIntoWorkArea(QRect rect, const QRect& workArea);

// The window's rectangle centred on the reference's centre ((left + right) / 2, (top + bottom)
// / 2, exclusive right and bottom, integer division), moved left by half its width and up by half
// its height. Size is kept.
QRect CentreOn(const QRect& window, const QRect& reference);

// Where a window of the given rectangle goes: centred on reference (kCentred), with its top-left
// corner at cursor (kAtCursor) or at point (kAtPoint); then brought into workArea.
QRect PlacedRect(const QRect& window, Placement placement, const QRect& reference, QPoint cursor, QPoint point,
                 const QRect& workArea);

// The work area of the screen at a point (the primary screen when no screen contains it); an
// empty rectangle without a screen.
QRect WorkAreaAt(QPoint globalPoint);
// The work area of the primary screen.
QRect PrimaryWorkArea();

// Places a top-level window (its frame) as PlacedRect says: the reference is the frame of the
// parent's window, or the primary work area when it has no parent; the work area is that of the
// screen at the reference's centre, the cursor or the point. [in] point: global coordinates, used by kAtPoint.
void PlaceWindow(QWidget* window, Placement placement, QPoint point = QPoint());

}  // namespace KVI
