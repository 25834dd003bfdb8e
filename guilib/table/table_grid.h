// GUILib::TableGrid: the lines of the table grid (Table2D): vertical lines at the column
// boundaries and horizontal lines at the row boundaries inside the frame rectangle.
//
// Rectangles are in the painter's logical units with their right and bottom edges exclusive:
// a rectangle from left to right covers the pixels left .. right - 1 (QRect's right() is
// right - 1). Rows map to pixels through the table's vertical Graticule: boundary j lies at
// y = j * scale + offset.
#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QRect>

#include "guilib/graph/draw_style.h"
#include "values/graticule.h"
#include "guilib/table/ref_count_ptr.h"

class QPainter;

namespace GUILib {

// The width of a column: floor(frameWidth * fraction), computed in double precision. A
// fraction that is negative or not a number gives 0; the result is limited to the int range.
int ColumnWidth(int frameWidth, float fraction);

// The first and the last row boundary that lie inside the frame: ceil((top - offset) / scale)
// and floor((bottom - offset) / scale). first > last when none does, or when the mapping does
// not go downwards.
struct RowSpan {
    int32_t first = 0;
    int32_t last = -1;
};
RowSpan RowsInFrame(const QRect& frame, const Graticule& rows);

class TableGrid final : public CRefCountRep {
public:
    // [in] fractions, rows: the table's column fractions and vertical mapping; both must
    // outlive the grid (the table owns all three).
    TableGrid(const std::vector<float>* fractions, const Graticule* rows);

    void SetFrame(const QRect& frame) { frame_ = frame; }
    QRect Frame() const { return frame_; }

    // Draws the lines into the frame with one-pixel pens of the line colour:
    // - vertical: x starts at the frame's left; for each column while x < the frame's right,
    //   a line from the frame's top to its bottom at x, then x += ColumnWidth of the column;
    // - horizontal: at every row boundary of RowsInFrame, a line across the frame; boundaries
    //   0 and 1 (the top of the table, the line under the heading) with the first pen style,
    //   the others with the second; boundaries outside the painter's clip are skipped.
    void Draw(QPainter& painter) const;

    int32_t firstPenStyle_ = kPenSolid;
    int32_t secondPenStyle_ = kPenSolid;
    QColor lineColour_{Qt::black};

private:
    const std::vector<float>* fractions_;
    const Graticule* rows_;
    QRect frame_;
};

}  // namespace GUILib
