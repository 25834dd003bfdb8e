#include "guilib/table/table_grid.h"

#include <cmath>
#include <limits>

#include <QPainter>
#include <QPen>

namespace GUILib {

int ColumnWidth(int frameWidth, float fraction)
{
    const double w = std::floor(double(frameWidth) * double(fraction));
    if (!(w > 0.0)) return 0;  // also a NaN fraction
    if (w >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(w);
}

RowSpan RowsInFrame(const QRect& frame, const Graticule& rows)
{
    const double scale = rows.Scale();
    if (!(scale > 0.0)) return {};
    const double top = frame.top();
    const double bottom = double(frame.top()) + frame.height();
    const double first = std::ceil((top - rows.Offset()) / scale);
    const double last = std::floor((bottom - rows.Offset()) / scale);
    // Row numbers are 32-bit; a frame beyond them is cut rather than wrapped.
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    if (!(first <= last) || last < lo || first > hi) return {};
    return {static_cast<int32_t>(std::max(first, lo)), static_cast<int32_t>(std::min(last, hi))};
}

TableGrid::TableGrid(const std::vector<float>* fractions, const Graticule* rows)
    : fractions_(fractions), rows_(rows)
{
}

void TableGrid::Draw(QPainter& painter) const
{
    const int left = frame_.left();
    const int right = frame_.left() + frame_.width();
    const int top = frame_.top();
    const int bottom = frame_.top() + frame_.height();
    if (right <= left || bottom <= top) return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);

    // A Qt line covers both its ends, so each line stops one pixel before the edge it runs
    // to: the frame's right and bottom edges are exclusive.
    QPen pen(lineColour_, 0, QtPenStyle(firstPenStyle_));
    painter.setPen(pen);
    int x = left;
    for (float fraction : *fractions_) {
        if (x >= right) break;
        painter.drawLine(x, top, x, bottom - 1);
        const int w = ColumnWidth(right - left, fraction);
        if (w > right - x) break;
        x += w;
    }

    // Boundaries outside the painter's clip would be cut away anyway; skipping them keeps a
    // frame of very many rows cheap to draw.
    QRect area = frame_;
    if (painter.hasClipping()) area &= painter.clipBoundingRect().toAlignedRect();
    const RowSpan span = RowsInFrame(area, *rows_);
    for (int64_t j = span.first; j <= span.last; ++j) {
        pen.setStyle(QtPenStyle(j == 0 || j == 1 ? firstPenStyle_ : secondPenStyle_));
        painter.setPen(pen);
        const int y = static_cast<int>(std::floor(double(j) * rows_->Scale() + rows_->Offset()));
        painter.drawLine(left, y, right - 1, y);
    }
    painter.restore();
}

}  // namespace GUILib
