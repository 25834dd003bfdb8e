#include "guilib/table/table2d.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>

#include "foundation/gui/qt_string.h"
#include "foundation/gui/text_format.h"
#include "guilib/graph/draw_style.h"

namespace GUILib {

Table2D::Table2D(QWidget* parent)
    : QWidget(parent),
      grid_(MakeRefCounted<TableGrid>(&fractions_, &rows_)),
      cells_(MakeRefCounted<TableData>(&fractions_, &rows_))
{
    SetColumnCount(2);
}

Table2D::~Table2D() = default;

bool Table2D::SetColumnCount(int32_t n)
{
    if (n < 0 || n > kMaxColumns) return false;
    columnCount_ = n;
    fractions_.assign(static_cast<size_t>(n), n > 0 ? 1.0f / float(n) : 0.0f);
    update();
    return true;
}

bool Table2D::SetColumnFraction(int32_t index, float fraction)
{
    if (index < 0 || static_cast<size_t>(index) >= fractions_.size()) return false;
    fractions_[size_t(index)] = fraction;
    return true;
}

void Table2D::SetData(IRecordData* data)
{
    ownColumns_ = TableColumns();
    data_ = platform::ComPtr<IRecordData>(data);
    update();
}

void Table2D::SetOwnColumns(const TableColumns& columns)
{
    ownColumns_ = columns;
    update();
}

void Table2D::SetHighlightedRows(const std::set<int32_t>& rows)
{
    cells_->highlightedRows_ = rows;
}

void Table2D::SetHighlightedColumns(const std::set<int32_t>& columns)
{
    cells_->highlightedColumns_ = columns;
}

void Table2D::ClearHighlights()
{
    cells_->highlightedRows_.clear();
    cells_->highlightedColumns_.clear();
}

int Table2D::RowHeightAt(const QPainter& painter, int points) const
{
    TextFormat format;
    format.SetupFont(fontName_, points, false, painter);
    return static_cast<int>(QFontMetrics(format.CreateFont(), painter.device()).height() * 1.2);
}

int Table2D::NeededWidth(const QPainter& painter, int points)
{
    if (data_) cells_->ReadColumns(data_.Get());
    const TableColumns& columns = data_ ? cells_->Columns() : ownColumns_;
    TextFormat normal;
    normal.SetupFont(fontName_, points, false, painter);
    const QFontMetrics metrics(normal.CreateFont(), painter.device());
    double width = 0;
    for (size_t c = 0; c < columns.Count() && c < fractions_.size(); ++c) {
        int widest = 0;
        if (c < columns.names_.size()) widest = metrics.horizontalAdvance(KVI::ToQString(columns.names_[c]));
        if (c < columns.values_.size())
            for (float v : columns.values_[c]) widest = std::max(widest, metrics.horizontalAdvance(TableData::FormatValue(v)));
        // The cell's room is its column less its line and a pixel on either side.
        if (fractions_[c] > 0) width = std::max(width, (widest + 3 + 1) / double(fractions_[c]));
    }
    return static_cast<int>(std::ceil(width));
}

int Table2D::FittingPointSize(const QPainter& painter, const QSize& size, int32_t rows, int minPoints)
{
    for (int points = pointSize_; points > minPoints; --points)
        if (int64_t(RowHeightAt(painter, points)) * rows + 1 <= size.height() && NeededWidth(painter, points) <= size.width())
            return points;
    return minPoints;
}

void Table2D::Paint(QPainter& painter, bool erase, const QRect& rect)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    if (erase) painter.fillRect(rect, WindowColour());

    TextFormat normal;
    TextFormat bold;
    normal.SetupFont(fontName_, pointSize_, false, painter);
    bold.SetupFont(fontName_, pointSize_, true, painter);
    normal.textColour_ = bold.textColour_ = textColour_;

    rowHeight_ = RowHeightAt(painter, pointSize_);
    if (rowHeight_ < 1 || rect.isEmpty()) {
        painter.restore();
        return;
    }
    // h pixels per row from the rectangle's top. The map is fixed by rows 0 and 1 rather than
    // by the rectangle's height in rows, so that the scale is exactly h: a scale a rounding
    // error off h would move the frame's bottom and the last row boundary by a pixel.
    rows_.SetXPair(0.0, 1.0);
    rows_.SetYPair(rect.top(), double(rect.top()) + rowHeight_);

    const double frameBottom = std::trunc(double(framedRows_) * rows_.Scale() + rows_.Offset() + 1.0);
    const double bottomLimit = std::numeric_limits<int>::max() / 2;
    QRect frame = rect;
    frame.setBottom(static_cast<int>(std::clamp(frameBottom, double(rect.top()) + 1.0, bottomLimit)) - 1);

    cells_->normalTextColour_ = textColour_;
    cells_->highlightedTextColour_ = textColour_;
    cells_->SetFormats(normal, bold);
    cells_->SetFrame(frame);
    cells_->SetVisibleBottom(rect.top() + rect.height());
    if (data_)
        cells_->ReadColumns(data_.Get());
    else
        cells_->SetColumns(ownColumns_);
    cells_->Draw(painter);

    // The lines over the cells: a text's background that reaches a line's pixel (a printer's
    // device pixel is far thinner than the logical pixel a cell keeps clear) must not hide it.
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    grid_->lineColour_ = lineColour_;
    grid_->SetFrame(frame);
    grid_->Draw(painter);
    painter.restore();
}

void Table2D::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Paint(painter, true, rect());
}

}  // namespace GUILib
