// The draw objects of a plot: how its points appear. A plot keeps its points in pixels, split
// into runs of consecutive finite samples; a draw object turns them into lines, dots or
// numbers. One family, chosen by draw kind:
//   1 DrawLineSegments  one polyline per run, pen of the plot's colour, width = size
//   2 DrawPoints        a filled disc of radius size at every point
//   3 DrawOrdinal       the point's number (1, 2, 3, ...) above and right of every point
// Kind 0 stands for "not drawn" and has no object.
#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QPoint>
#include <QRect>

#include "guilib/table/ref_count_ptr.h"

class QPainter;

namespace GUILib {

enum DrawKind : int32_t {
    kDrawNone = 0,
    kDrawLineSegments = 1,
    kDrawPoints = 2,
    kDrawOrdinal = 3,
};

class DrawObject : public CRefCountRep {
public:
    // Draws points into the painter.
    // [in] clip: a rectangle in the painter's logical units that drawing is limited to, or
    //      null for none; the painter's own clip is restored afterwards;
    //      points: pixel positions in the painter's logical units;
    //      runs: lengths of consecutive runs of points, in order (their sum is at most the
    //      number of points; points beyond it are not drawn);
    //      colour: the plot's colour; size: the kind's size (pen width, radius or offset, in
    //      logical units; negative counts as 0); style: a PenStyleCode.
    virtual void Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
                      const std::vector<int32_t>& runs, const QColor& colour, int32_t size,
                      int32_t style) const = 0;
};

// One polyline per run (a run of one point draws nothing), with a pen of the colour, width =
// size (0: one pixel) and the style.
class DrawLineSegments final : public DrawObject {
public:
    void Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
              const std::vector<int32_t>& runs, const QColor& colour, int32_t size,
              int32_t style) const override;
};

// At every point an ellipse from (x - size, y - size) to (x + size, y + size), outlined with a
// one-pixel pen of the colour and the style and filled with the colour.
class DrawPoints final : public DrawObject {
public:
    void Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
              const std::vector<int32_t>& runs, const QColor& colour, int32_t size,
              int32_t style) const override;
};

// At every point its number, from 1 in the order of the points, in decimal, with its bottom
// centre at (x + size, y - size): "Tahoma" 9 points in the colour, on an opaque background of
// the window colour. The style is not used.
class DrawOrdinal final : public DrawObject {
public:
    void Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
              const std::vector<int32_t>& runs, const QColor& colour, int32_t size,
              int32_t style) const override;
};

// A new draw object of the kind; null for kind 0 and for unknown kinds.
SmartPtr<DrawObject> MakeDrawObject(int32_t kind);

}  // namespace GUILib
