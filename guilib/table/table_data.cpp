#include "guilib/table/table_data.h"

#include <cmath>
#include <locale>

#include <QPainter>

#include "foundation/gui/qt_string.h"
#include "foundation/ostring_stream.h"
#include "guilib/table/channel_values.h"
#include "guilib/table/table_grid.h"

namespace GUILib {

TableData::TableData(const std::vector<float>* fractions, const Graticule* rows)
    : fractions_(fractions), rows_(rows)
{
}

QString TableData::FormatValue(float value)
{
    if (std::isnan(value)) return QString();
    KVI::OStringStream os;
    // The numbers of a table read the same whatever the user's locale.
    os.imbue(std::locale::classic());
    os << value;
    return KVI::ToQString(os.Str());
}

void TableData::ReadColumns(IRecordData* data)
{
    columns_ = TableColumns();
    int32_t count = 0;
    if (!data || FAILED(data->GetChannelCount(&count)) || count <= 0) return;
    columns_.names_.resize(static_cast<size_t>(count));
    columns_.values_.resize(static_cast<size_t>(count));
    for (int32_t c = 0; c < count; ++c) {
        columns_.names_[size_t(c)] = ReadChannelName(data, c);
        ReadChannelValues(data, c, columns_.values_[size_t(c)]);
    }
}

void TableData::SetFormats(const TextFormat& normal, const TextFormat& highlighted)
{
    normal_ = normal;
    highlighted_ = highlighted;
    normal_.textColour_ = normalTextColour_;
    highlighted_.textColour_ = highlightedTextColour_;
}

void TableData::Draw(QPainter& painter) const
{
    if (suspended_) return;
    const int left = frame_.left();
    const int right = frame_.left() + frame_.width();
    const RowSpan span = RowsInFrame(frame_, *rows_);
    const double scale = rows_->Scale();
    const double offset = rows_->Offset();

    const QRect inside = frame_.adjusted(1, 1, -1, -1);
    int x = left;
    const size_t columns = columns_.Count();
    for (size_t c = 0; c < columns && c < fractions_->size(); ++c) {
        if (x >= right) break;
        const int w = ColumnWidth(right - left, (*fractions_)[c]);
        const std::vector<float>* values = c < columns_.values_.size() ? &columns_.values_[c] : nullptr;
        const size_t valueCount = values ? values->size() : 0;
        for (int64_t g = std::max<int64_t>(span.first, 0); g < span.last; ++g) {
            if (valueCount < static_cast<size_t>(g)) break;
            const int top = static_cast<int>(std::floor(double(g) * scale + offset));
            const int bottom = static_cast<int>(std::floor(double(g + 1) * scale + offset));
            if (bottom > visibleBottom_) break;
            // The cell's top row and left column are its grid lines, and the frame's right
            // column may be its last: an opaque text that fills the cell must not wipe them out.
            const QRect cell = QRect(x + 1, top + 1, w - 1, bottom - top - 1) & inside;
            if (cell.isEmpty()) continue;
            const QString text = g == 0 ? (c < columns_.names_.size() ? KVI::ToQString(columns_.names_[c]) : QString())
                                        : FormatValue((*values)[size_t(g - 1)]);
            const bool bold = highlightedRows_.count(int32_t(g)) || highlightedColumns_.count(int32_t(c));
            (bold ? highlighted_ : normal_).DrawInRect(painter, cell, text);
        }
        if (w > right - x) break;
        x += w;
    }
}

}  // namespace GUILib
