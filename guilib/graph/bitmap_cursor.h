// The graph's cursor: a small picture that marks one point of a plot and is drawn by
// exclusive-or, so that it stays visible on any background.
//
// The cursor keeps its state (position, shown); the window that owns it repaints the cursor's
// rectangle when it moves and draws it last in every paint. Exclusive-or needs a raster device
// (a widget's backing store, an image); on other devices (pictures, printers) nothing is drawn.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include "guilib/table/ref_count_ptr.h"

class QPainter;

namespace GUILib {

class CCursor : public CRefCountRep {
public:
    // The point the cursor marks, in the owner's coordinates.
    QPoint Position() const { return position_; }
    void SetPosition(QPoint p) { position_ = p; }
    bool IsShown() const { return shown_; }
    void SetShown(bool shown) { shown_ = shown; }

    // The pixels the cursor covers at its position.
    virtual QRect Rect() const = 0;
    // Draws the cursor at its position (whether shown or not; the owner decides).
    virtual void Draw(QPainter& painter) const = 0;

protected:
    QPoint position_;
    bool shown_ = false;
};

// A cursor drawn from a bitmap of the module: each white pixel inverts the pixel under it, each
// black pixel leaves it alone, so drawing the cursor twice restores the picture.
class CBitmapCursor final : public CCursor {
public:
    // Bitmap 100 of the module (16 x 16) with its hot spot (8, 8) on the position.
    CBitmapCursor();
    // [in] bitmap: the picture (any format; a null image draws nothing); hotSpot: the bitmap
    // pixel that lies on the position.
    CBitmapCursor(const QImage& bitmap, QPoint hotSpot);

    QRect Rect() const override;
    void Draw(QPainter& painter) const override;

    QPoint HotSpot() const { return hotSpot_; }

private:
    QImage bitmap_;  // opaque RGB32
    QPoint hotSpot_;
};

}  // namespace GUILib
