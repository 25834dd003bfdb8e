// GUILib::Table2D: a read-only table window: a framed grid of equal-height rows and
// proportional columns, a heading row with the column names and one row per value. It has no
// selection, editing or scrolling; rows that do not fit are not drawn.
//
// The contents come from a record-data source (in this system the IRecordData face of a
// CTabulatedData), one column per channel, read anew at every paint; without a source the
// table shows its own columns. The lines are drawn by a TableGrid, the texts by a TableData;
// both map rows to pixels through the table's vertical Graticule.
//
// Paint draws into any painter (the window, an image, a picture, a printer page); the window's
// paint event paints its whole client rectangle through it.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include "interfaces/record_data.h"
#include "values/graticule.h"
#include "guilib/table/ref_count_ptr.h"
#include "guilib/table/table_data.h"
#include "guilib/table/table_grid.h"
#include "platform/com_ptr.h"

namespace GUILib {

class Table2D : public QWidget {
public:
    // The largest column count SetColumnCount accepts.
    static constexpr int32_t kMaxColumns = 65536;
    static constexpr int32_t kDefaultFramedRows = 100;

    // Two equal columns, 100 framed rows, "Tahoma" 9 points, black lines and texts.
    explicit Table2D(QWidget* parent = nullptr);
    ~Table2D() override;

    // Sets the column count and makes every column's fraction 1/n; invalidates. false (nothing
    // changed) for n < 0 or n > kMaxColumns.
    bool SetColumnCount(int32_t n);
    int32_t ColumnCount() const { return columnCount_; }
    // Replaces one column's fraction of the table's width (fractions need not be equal nor add
    // up to 1). false for an index outside the columns. The owner invalidates.
    bool SetColumnFraction(int32_t index, float fraction);
    const std::vector<float>& ColumnFractions() const { return fractions_; }
    // The number of rows (heading included) that the outer frame encloses. The owner
    // invalidates.
    void SetFramedRows(int32_t rows) { framedRows_ = rows; }
    int32_t FramedRows() const { return framedRows_; }

    // Takes a reference to the new source (null: none) and releases the old one; empties the
    // own columns; invalidates.
    void SetData(IRecordData* data);
    IRecordData* Data() const { return data_.Get(); }
    // The columns shown while there is no source; invalidates.
    void SetOwnColumns(const TableColumns& columns);

    // Rows (0 is the heading) and columns (0-based) drawn in bold. The owner invalidates.
    void SetHighlightedRows(const std::set<int32_t>& rows);
    void SetHighlightedColumns(const std::set<int32_t>& columns);
    // Empties both sets.
    void ClearHighlights();

    // Draws the table into rect:
    //  1. with erase, fills rect with the window colour;
    //  2. two text formats from the font name and size, normal and bold;
    //  3. row height h = trunc(1.2 x the normal font's height);
    //  4. rows map to pixels with h pixels per row from rect's top (row 0 at the top);
    //  5. the frame: rect with its bottom at framed rows x h + rect's top + 1;
    //  6. the cells inside the frame, then 7. the frame's black outline and the grid lines.
    // NOTE: the lines are drawn after the cells, not before them, so that no cell's opaque text
    // background covers a line where a device's pixel is thinner than the logical pixel a cell
    // keeps clear of its lines (a printer page).
    // Drawing is clipped to rect, and rows whose cells do not fit in it are not drawn: a frame
    // taller than rect runs on below it unseen. The painter's state is restored.
    void Paint(QPainter& painter, bool erase, const QRect& rect);

    // The row height of the last paint, in the painter's logical units (0 before).
    int RowHeight() const { return rowHeight_; }
    // The row height Paint gives the table's font at points on the painter's device:
    // trunc(1.2 x the font's height).
    int RowHeightAt(const QPainter& painter, int points) const;
    // The least width in which every text of the source (the names and the values as the cells
    // write them) fits in its column, with a pixel to spare on either side, at points on the
    // painter's device (in the normal face: highlighted rows are the few and short ones).
    int NeededWidth(const QPainter& painter, int points);
    // The largest point size, from pointSize_ down to minPoints, at which rows framed rows fit
    // in size's height (rows x row height + 1) and the texts in its width (NeededWidth);
    // minPoints when none does. For drawing a table of any length into a rectangle of a page.
    int FittingPointSize(const QPainter& painter, const QSize& size, int32_t rows, int minPoints);
    const Graticule& Rows() const { return rows_; }

    QString fontName_ = QStringLiteral("Tahoma");
    int16_t pointSize_ = 9;
    QColor lineColour_{Qt::black};
    QColor textColour_{Qt::black};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    platform::ComPtr<IRecordData> data_;
    TableColumns ownColumns_;
    std::vector<float> fractions_;
    Graticule rows_;
    SmartPtr<TableGrid> grid_;
    SmartPtr<TableData> cells_;
    int32_t columnCount_ = 0;
    int32_t framedRows_ = kDefaultFramedRows;
    int rowHeight_ = 0;
};

}  // namespace GUILib
