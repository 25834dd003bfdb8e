// Copying the fit report to the clipboard, as a picture (CopyAsImage) or as the table's text
// (CopyAsText). Both replace whatever the clipboard held.
//
// The picture is what RenderReport draws over the report dialog's client area (ReportPictureSize:
// taller where the table or the details would not fit): an SVG picture ("image/svg+xml") whose
// width and height in millimetres are those pixels' on the screen, and a PNG image
// ("image/png", also as the clipboard's image) with those pixels.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace Tessar {

class TessReportDialog;

// The size of a picture of pixels on a screen, in 0.01 mm, from the screen's size in whole
// millimetres and in pixels: pixels * millimetres * 100 / screen pixels on each axis, multiplied
// first and divided last in integer arithmetic. A screen of no pixels gives 0.
QSize PictureFrame(QSize pixels, QSize screenMillimetres, QSize screenPixels);

// The report as an SVG document over the picture's rectangle (ReportPictureSize, w x h pixels):
// the view box is the rectangle, the resolution the dialog's, and the width and height
// attributes the PictureFrame of the dialog's screen in millimetres. [out] frame: that frame
// (may be null).
QByteArray ReportSvg(const TessReportDialog& report, QSize* frame = nullptr);
// The report as an image of ReportPictureSize, at the dialog's resolution.
QImage ReportImage(const TessReportDialog& report);
// The table's text form (CTabulatedData::WriteText) in fixed notation with the working record's
// decimal places, without the text form's terminating null character; then a blank line and
// the lines of the details block (ReportDetailsLines), each ended by a line feed.
QString ReportText(const TessReportDialog& report);

// Puts ReportSvg and ReportImage on the clipboard.
void CopyAsImage(const TessReportDialog& report);
// Puts ReportText on the clipboard as plain text.
void CopyAsText(const TessReportDialog& report);

}  // namespace Tessar
