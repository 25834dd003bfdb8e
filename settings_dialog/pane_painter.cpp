#include "settings_dialog/pane_painter.h"

#include <array>

#include <QFont>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include "foundation/gui/resource_bitmap.h"
#include "settings_dialog/pane_geometry.h"

namespace Tessar {
namespace {

// The marker bitmaps in the order maximum, minimum, current; loaded once. They are opaque
// black on white, so combining them by AND leaves the strip white where they are white.
const std::array<QImage, 3>& MarkerImages()
{
    static const std::array<QImage, 3> images = [] {
        std::array<QImage, 3> loaded;
        const int ids[] = {KVI::BitmapId::kMarkerMaximum, KVI::BitmapId::kMarkerMinimum,
                           KVI::BitmapId::kMarkerCurrent};
        for (size_t i = 0; i < loaded.size(); ++i)
            loaded[i] = KVI::LoadBitmapImage(ids[i]).convertToFormat(QImage::Format_RGB32);
        return loaded;
    }();
    return images;
}

bool CanCombineByAnd(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    return engine && engine->hasFeature(QPaintEngine::RasterOpModes);
}

}  // namespace

void PanePainter::Paint(QPainter& painter, const QRect& rect, const PaneContent& content)
{
    painter.save();
    switch (content.state) {
    case kNoData:
        PaintNoData(painter, rect, content);
        break;
    case kData:
        if (content.scaling) {
            PaintTrace(painter, rect, content);
            PaintMarkers(painter, rect, *content.scaling, content.current, content.maximum, content.minimum);
            break;
        }
        [[fallthrough]];
    default:
        painter.fillRect(rect, QColor(192, 192, 192));
        break;
    }
    painter.restore();
}

void PanePainter::PaintNoData(QPainter& painter, const QRect& rect, const PaneContent& content)
{
    painter.fillRect(rect, content.buttonFace);
    QFont font(QString::fromLatin1(kNoDataFont));
    font.setPointSize(kNoDataPoints);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackground(content.buttonFace);
    painter.setBackgroundMode(Qt::OpaqueMode);
    // Centred with word wrap; lines of a text of several lines start at the top.
    painter.drawText(rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, content.noDataText);
}

// The caller (Paint) restores the painter's translation and clip.
void PanePainter::PaintTrace(QPainter& painter, const QRect& rect, const PaneContent& content)
{
    painter.fillRect(rect, Qt::white);
    const int trace = PaneGeometry::TraceWidth(rect.width());
    const double perPixel = PaneGeometry::SamplesPerPixel(content.samples.size(), trace);
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), rect.size()), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (perPixel > 1.0) {
        // Each column's pixels exactly, as one-pixel strips (a line of one pixel is not drawn
        // alike by every paint engine).
        for (const auto& c : PaneGeometry::EnvelopeColumns(content.samples, perPixel, trace, *content.scaling))
            painter.fillRect(QRect(c.x, c.top, 1, c.bottom - c.top + 1), content.trace);
    } else {
        painter.setPen(QPen(content.trace, 0));  // cosmetic: one pixel whatever the transform
        const std::vector<QPoint> points =
            PaneGeometry::PolylinePoints(content.samples, perPixel, trace, *content.scaling);
        if (points.size() > 1) painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
}

void PanePainter::PaintMarkers(QPainter& painter, const QRect& rect, const DataScaling& scaling, double current,
                               double maximum, double minimum)
{
    painter.save();
    painter.translate(rect.topLeft());
    const QSize size = rect.size();
    painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
    painter.fillRect(PaneGeometry::MarkerStripRect(size), Qt::white);
    if (CanCombineByAnd(painter)) painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    const double values[] = {maximum, minimum, current};
    const auto& images = MarkerImages();
    for (size_t i = 0; i < images.size(); ++i)
        painter.drawImage(PaneGeometry::MarkerTopLeft(size, scaling.Row(values[i])), images[i]);
    painter.restore();
}

}  // namespace Tessar
