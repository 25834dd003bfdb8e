#include "report/report_render.h"

#include <algorithm>
#include <cmath>

#include <QImage>
#include <QPainter>

#include "guilib/graph/draw_style.h"
#include "guilib/table/table2d.h"
#include "report/fit_details.h"
#include "report/tess_report_dialog.h"
#include "report/tessar_wnd.h"

namespace Tessar {

namespace {

constexpr double kSplit = 0.67;

// Rows the rendered table frames: its heading and every row, at least the dialog's.
int32_t RenderedRows(const TessReportDialog& report)
{
    int32_t rows = 0;
    report.TableData()->GetRowCount(&rows);
    return std::max(TessReportDialog::kTableRows, rows + 1);
}

// Sets the table's rows and font for a rendering and puts the dialog's back afterwards.
class RenderedTable {
public:
    RenderedTable(GUILib::Table2D& table, int32_t rows) : table_(table), rows_(table.FramedRows()), points_(table.pointSize_)
    {
        table_.SetFramedRows(rows);
    }
    ~RenderedTable()
    {
        table_.SetFramedRows(rows_);
        table_.pointSize_ = points_;
    }
    RenderedTable(const RenderedTable&) = delete;
    RenderedTable& operator=(const RenderedTable&) = delete;

private:
    GUILib::Table2D& table_;
    int32_t rows_;
    int16_t points_;
};

}  // namespace

QPoint ReportSplit(const QRect& rect)
{
    const double left = rect.left();
    const double top = rect.top();
    const double right = rect.right() + 1.0;
    const double bottom = rect.bottom() + 1.0;
    return QPoint(int(kSplit * right + (1 - kSplit) * left), int(kSplit * bottom + (1 - kSplit) * top));
}

void RenderReport(const TessReportDialog& report, QPainter& painter, const QRect& rect, QPaintDevice* attribute)
{
    painter.save();
    painter.fillRect(rect, GUILib::WindowColour());
    painter.setClipRect(rect, Qt::IntersectClip);
    const QPoint split = ReportSplit(rect);
    const QPoint end = rect.bottomRight() + QPoint(1, 1);  // exclusive
    report.GraphWindow()->DrawGraphInto(painter, QRect(rect.topLeft(), split - QPoint(1, 1)), attribute);
    {
        GUILib::Table2D& table = *report.TableGrid();
        const int32_t rows = RenderedRows(report);
        const RenderedTable rendered(table, rows);
        table.pointSize_ = int16_t(
            table.FittingPointSize(painter, QSize(end.x() - split.x(), split.y() - rect.top()), rows, kMinTablePoints));
        table.Paint(painter, false, QRect(QPoint(split.x(), rect.top()), end - QPoint(1, 1)));
    }
    DrawFitDetails(report.WorkingData(), report.SourceUnit(), painter, QRect(QPoint(rect.left(), split.y()), end - QPoint(1, 1)));
    painter.restore();
}

QSize ReportPictureSize(const TessReportDialog& report, const QPaintDevice& device)
{
    QImage probe(1, 1, QImage::Format_ARGB32);
    probe.setDotsPerMeterX(int(std::lround(device.logicalDpiX() / 0.0254)));
    probe.setDotsPerMeterY(int(std::lround(device.logicalDpiY() / 0.0254)));
    QPainter painter(&probe);
    const QSize client = report.rect().size();
    GUILib::Table2D& table = *report.TableGrid();
    const int tableHeight = table.RowHeightAt(painter, table.pointSize_) * RenderedRows(report) + 1;
    // The table's width is w - trunc(0.67 w).
    const int forTexts = int(std::ceil((table.NeededWidth(painter, table.pointSize_) + 1) / (1 - kSplit))) + 1;
    const int detailsHeight = FitDetailsHeight(report.WorkingData(), report.SourceUnit(), painter) + 1;
    // Y = trunc(0.67 h): the table needs Y >= its height, the details h - Y >= theirs.
    const int forTable = int(std::ceil(tableHeight / kSplit)) + 1;
    const int forDetails = int(std::ceil(detailsHeight / (1 - kSplit))) + 1;
    return QSize(std::max(client.width(), forTexts), std::max({client.height(), forTable, forDetails}));
}

}  // namespace Tessar
