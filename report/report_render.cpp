#include "report/report_render.h"

#include <QPainter>

#include "guilib/graph/draw_style.h"
#include "guilib/table/table2d.h"
#include "report/fit_details.h"
#include "report/tess_report_dialog.h"
#include "report/tessar_wnd.h"

namespace Tessar {

QPoint ReportSplit(const QRect& rect)
{
    const double left = rect.left();
    const double top = rect.top();
    const double right = rect.right() + 1.0;
    const double bottom = rect.bottom() + 1.0;
    return QPoint(int(0.67 * right + 0.33 * left), int(0.67 * bottom + 0.33 * top));
}

void RenderReport(const TessReportDialog& report, QPainter& painter, const QRect& rect, QPaintDevice* attribute)
{
    painter.save();
    painter.fillRect(rect, GUILib::WindowColour());
    painter.setClipRect(rect, Qt::IntersectClip);
    const QPoint split = ReportSplit(rect);
    const QPoint end = rect.bottomRight() + QPoint(1, 1);  // exclusive
    report.GraphWindow()->DrawGraphInto(painter, QRect(rect.topLeft(), split - QPoint(1, 1)), attribute);
    report.TableGrid()->Paint(painter, false, QRect(QPoint(split.x(), rect.top()), end - QPoint(1, 1)));
    DrawFitDetails(report.WorkingData(), report.SourceUnit(), painter, QRect(QPoint(rect.left(), split.y()), end - QPoint(1, 1)));
    painter.restore();
}

}  // namespace Tessar
