// GUILib::TableData: the cell texts of the table grid (Table2D): a heading row with the
// column names and one row per value, each text centred on the bottom of its cell.
//
// Rectangles follow TableGrid (right and bottom edges exclusive); rows map to pixels through
// the table's vertical Graticule, row g spanning g * scale + offset up to (g + 1) * scale +
// offset.
#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include <QColor>
#include <QRect>
#include <QString>

#include "interfaces/record_data.h"
#include "foundation/gui/text_format.h"
#include "foundation/kvi_string.h"
#include "values/graticule.h"
#include "guilib/table/ref_count_ptr.h"

class QPainter;

namespace GUILib {

// Named float columns, as the cells show them. Columns may have different lengths; a column
// without a name entry has the empty name.
struct TableColumns {
    std::vector<KVI::String> names_;
    std::vector<std::vector<float>> values_;

    size_t Count() const { return std::max(names_.size(), values_.size()); }
};

class TableData final : public CRefCountRep {
public:
    // [in] fractions, rows: the table's column fractions and vertical mapping; both must
    // outlive the cell drawer (the table owns all three).
    TableData(const std::vector<float>* fractions, const Graticule* rows);

    // A value as the cells write it: a wide string stream's default float format with the
    // classic locale (six significant digits, %g notation): 0.1, 0.666667, 1.25e+06; a NaN (no
    // value, a point without a standard deviation) empty.
    static QString FormatValue(float value);

    // Replaces the columns by those of a record-data source: one per channel (slot 4), with
    // its name (slot 3) and values (ReadChannelValues). A channel that cannot be read shows
    // what was read of it; a source whose channel count fails shows no columns.
    void ReadColumns(IRecordData* data);
    void SetColumns(const TableColumns& columns) { columns_ = columns; }
    const TableColumns& Columns() const { return columns_; }

    // The two formats the texts are drawn with; the drawer takes copies and gives them the
    // normal and the highlighted text colour.
    void SetFormats(const TextFormat& normal, const TextFormat& highlighted);
    void SetFrame(const QRect& frame) { frame_ = frame; }
    // Rows whose cells reach below this y (exclusive) are not drawn: they do not fit.
    void SetVisibleBottom(int bottom) { visibleBottom_ = bottom; }

    // While suspended, Draw draws nothing.
    void SuspendDrawing() { suspended_ = true; }
    void ResumeDrawing() { suspended_ = false; }
    bool DrawingSuspended() const { return suspended_; }

    // Draws the cells: the rows from the first row boundary in the frame up to (not
    // including) the last one (TableGrid's RowsInFrame); x starts at the frame's left and, for
    // each column that has a fraction, while x is left of the frame's right, the column's
    // width is ColumnWidth. Row 0 holds the column's name, row g >= 1 the column's value
    // g - 1 (a column shorter than others ends early). The text fills the cell inside its
    // lines (the cell without its top row and left column of pixels, and inside the frame's
    // outline), centred, on the
    // cell's bottom, on one line, cut with an ellipsis; bold when its row or its column is
    // highlighted.
    void Draw(QPainter& painter) const;

    std::set<int32_t> highlightedRows_;
    std::set<int32_t> highlightedColumns_;
    QColor normalTextColour_{Qt::black};
    QColor highlightedTextColour_{Qt::black};

private:
    const std::vector<float>* fractions_;
    const Graticule* rows_;
    TableColumns columns_;
    TextFormat normal_;
    TextFormat highlighted_;
    QRect frame_;
    int visibleBottom_ = 0;
    bool suspended_ = false;
};

}  // namespace GUILib
