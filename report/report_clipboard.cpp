#include "report/report_clipboard.h"

#include <algorithm>
#include <iomanip>
#include <locale>
#include <sstream>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgGenerator>

#include "foundation/gui/qt_string.h"
#include "report/fit_details.h"
#include "report/report_render.h"
#include "report/tess_report_dialog.h"

namespace Tessar {
namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr int kDotsPerMetrePerDpi = 10000;  // dots per metre = dpi * 10000 / 254

int Frame(int pixels, int millimetres, int screenPixels)
{
    if (screenPixels <= 0) return 0;
    return int(int64_t(pixels) * millimetres * 100 / screenPixels);
}

// The screen's size in whole millimetres and in pixels; a widget on no screen takes the
// primary one, and without any a 96 dpi screen of its own size.
void ScreenSize(const QWidget& widget, QSize& millimetres, QSize& pixels)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    if (screen && screen->physicalSize().width() > 0 && screen->physicalSize().height() > 0) {
        millimetres = QSize(qRound(screen->physicalSize().width()), qRound(screen->physicalSize().height()));
        pixels = screen->geometry().size();
        return;
    }
    pixels = widget.size();
    millimetres = QSize(qRound(pixels.width() * kMillimetresPerInch / 96), qRound(pixels.height() * kMillimetresPerInch / 96));
}

QString Millimetres(int hundredths) { return QString::number(hundredths / 100.0, 'f', 2) + QStringLiteral("mm"); }

}  // namespace

QSize PictureFrame(QSize pixels, QSize screenMillimetres, QSize screenPixels)
{
    return QSize(Frame(pixels.width(), screenMillimetres.width(), screenPixels.width()),
                 Frame(pixels.height(), screenMillimetres.height(), screenPixels.height()));
}

QByteArray ReportSvg(const TessReportDialog& report, QSize* frame)
{
    const QRect client(QPoint(0, 0), ReportPictureSize(report, report));
    QSize millimetres, screenPixels;
    ScreenSize(report, millimetres, screenPixels);
    const QSize size = PictureFrame(client.size(), millimetres, screenPixels);
    if (frame) *frame = size;

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(client.size());
    generator.setViewBox(client);
    // Texts are sized for the resolution of the screen the report is shown on.
    generator.setResolution(report.logicalDpiY());
    generator.setTitle(KVI::ToQString(report.Title()));
    {
        QPainter painter(&generator);
        RenderReport(report, painter, client);
    }
    // The generator writes the size from its whole-number resolution; the frame is exact.
    QString svg = QString::fromUtf8(buffer.data());
    static const QRegularExpression sizeAttributes(QStringLiteral("width=\"[^\"]*\" height=\"[^\"]*\""));
    const QRegularExpressionMatch match = sizeAttributes.match(svg);
    if (match.hasMatch())
        svg.replace(match.capturedStart(), match.capturedLength(),
                    QStringLiteral("width=\"%1\" height=\"%2\"").arg(Millimetres(size.width()), Millimetres(size.height())));
    return svg.toUtf8();
}

QImage ReportImage(const TessReportDialog& report)
{
    const QRect client(QPoint(0, 0), ReportPictureSize(report, report));
    QImage image(client.size(), QImage::Format_ARGB32);
    image.setDotsPerMeterX(report.logicalDpiX() * kDotsPerMetrePerDpi / 254);
    image.setDotsPerMeterY(report.logicalDpiY() * kDotsPerMetrePerDpi / 254);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderReport(report, painter, client);
    return image;
}

QString ReportText(const TessReportDialog& report)
{
    std::wostringstream out;
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(std::clamp(report.WorkingData().decimalPlaces_, 0, 15));
    report.TableData()->WriteText(out);
    std::wstring text = out.str();
    // The text form ends with a null character, which is no part of the clipboard's text.
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    // Then what the picture's details block says, so the text keeps the fit and its units.
    text += L'\n';
    for (const KVI::String& line : ReportDetailsLines(report.WorkingData(), report.SourceUnit()))
        text += line.ToWide() + L'\n';
    return QString::fromStdWString(text);
}

void CopyAsImage(const TessReportDialog& report)
{
    auto* mime = new QMimeData();
    mime->setData(QStringLiteral("image/svg+xml"), ReportSvg(report));
    const QImage image = ReportImage(report);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    mime->setData(QStringLiteral("image/png"), png);
    mime->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void CopyAsText(const TessReportDialog& report)
{
    auto* mime = new QMimeData();
    mime->setText(ReportText(report));
    QGuiApplication::clipboard()->setMimeData(mime);
}

}  // namespace Tessar
