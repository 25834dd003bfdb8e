// Tessar::RenderReport: the whole fit report drawn into a rectangle of any painter (the copied
// picture, the copied image, a printed or previewed page, a file): the graph with its scales in
// the upper left, the table of points on the right and the "Calibration Fit Details" block
// below, split at two thirds of the rectangle.
#pragma once

#include <QRect>

class QPainter;
class QPaintDevice;

namespace Tessar {

class TessReportDialog;

// Fills rect with the window colour and, clipped to it, draws with X = trunc(0.67 right +
// 0.33 left) and Y = trunc(0.67 bottom + 0.33 top) (right and bottom exclusive, in double
// precision):
//   the graph (TessarWnd::DrawGraphInto) into (left, top, X, Y);
//   the table grid (Table2D::Paint, no erase) into (X, top, right, bottom);
//   the fit details (DrawFitDetails) of the report's working record into (left, Y, right,
//   bottom).
// [in] attribute: the printer a preview painter imitates, or null. The painter's state is
// restored.
void RenderReport(const TessReportDialog& report, QPainter& painter, const QRect& rect,
                  QPaintDevice* attribute = nullptr);

// The split of a rectangle: the point (X, Y) above.
QPoint ReportSplit(const QRect& rect);

}  // namespace Tessar
