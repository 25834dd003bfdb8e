// Tessar::RenderReport: the whole fit report drawn into a rectangle of any painter (the copied
// picture, the copied image, a printed or previewed page, a file): the graph with its scales in
// the upper left, the table of points on the right and the "Calibration Fit Details" block
// below, split at two thirds of the rectangle.
#pragma once

#include <QRect>
#include <QSize>

class QPainter;
class QPaintDevice;

namespace Tessar {

class TessReportDialog;

// The table's smallest font on a rendered page, in points.
inline constexpr int kMinTablePoints = 4;

// Fills rect with the window colour and, clipped to it, draws with X = trunc(0.67 right +
// 0.33 left) and Y = trunc(0.67 bottom + 0.33 top) (right and bottom exclusive, in double
// precision):
//   the graph (TessarWnd::DrawGraphInto) into (left, top, X, Y);
//   the table grid (Table2D::Paint, no erase) into (X, top, right, bottom);
//   the fit details (DrawFitDetails) of the report's working record into (left, Y, right,
//   bottom).
// NOTE: the table frames every row it has (at least the dialog's TessReportDialog::kTableRows),
// not only the dialog's, so that a report of more points than the dialog shows loses none on
// the page: its font shrinks (down to kMinTablePoints) until its rows fit above Y and its
// texts fit their columns. The dialog's table keeps its own rows and font.
// [in] attribute: the printer a preview painter imitates, or null. The painter's state is
// restored.
void RenderReport(const TessReportDialog& report, QPainter& painter, const QRect& rect,
                  QPaintDevice* attribute = nullptr);

// The split of a rectangle: the point (X, Y) above.
QPoint ReportSplit(const QRect& rect);

// The size of a picture of the report (the copied picture and image, a rendered PNG): the
// dialog's client size, made taller where the table at its own font (all its rows above Y) or
// the details block (below Y) would not fit, and wider where the table's texts would not fit
// its columns, as measured on device (the picture's resolution).
QSize ReportPictureSize(const TessReportDialog& report, const QPaintDevice& device);

}  // namespace Tessar
