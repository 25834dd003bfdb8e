#include "guilib/graph/draw_object.h"

#include <algorithm>

#include <QPainter>
#include <QPen>

#include "foundation/gui/text_format.h"
#include "guilib/graph/draw_style.h"

namespace GUILib {
namespace {

// Sets up the painter for one drawing and puts it back afterwards.
class DrawingScope {
public:
    DrawingScope(QPainter& painter, const QRect* clip) : painter_(painter)
    {
        painter_.save();
        painter_.setRenderHint(QPainter::Antialiasing, false);
        if (clip) painter_.setClipRect(*clip, Qt::IntersectClip);
    }
    ~DrawingScope() { painter_.restore(); }
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;

private:
    QPainter& painter_;
};

// The number of points that the runs cover, cut to the points there are.
size_t PointsInRuns(const std::vector<QPoint>& points, const std::vector<int32_t>& runs)
{
    size_t n = 0;
    for (int32_t r : runs) n += static_cast<size_t>(std::max(r, 0));
    return std::min(n, points.size());
}

}  // namespace

void DrawLineSegments::Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
                            const std::vector<int32_t>& runs, const QColor& colour, int32_t size,
                            int32_t style) const
{
    DrawingScope scope(painter, clip);
    painter.setPen(QPen(colour, std::max(size, 0), QtPenStyle(style)));
    painter.setBrush(Qt::NoBrush);
    size_t start = 0;
    for (int32_t run : runs) {
        const size_t n = std::min(static_cast<size_t>(std::max(run, 0)), points.size() - start);
        if (n >= 2) painter.drawPolyline(points.data() + start, static_cast<int>(n));
        start += n;
    }
}

void DrawPoints::Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
                      const std::vector<int32_t>& runs, const QColor& colour, int32_t size,
                      int32_t style) const
{
    DrawingScope scope(painter, clip);
    painter.setPen(QPen(colour, 0, QtPenStyle(style)));
    painter.setBrush(colour);
    const int s = std::max(size, 0);
    const size_t n = PointsInRuns(points, runs);
    for (size_t i = 0; i < n; ++i) painter.drawEllipse(QRect(points[i].x() - s, points[i].y() - s, 2 * s, 2 * s));
}

void DrawOrdinal::Draw(QPainter& painter, const QRect* clip, const std::vector<QPoint>& points,
                       const std::vector<int32_t>& runs, const QColor& colour, int32_t size, int32_t) const
{
    DrawingScope scope(painter, clip);
    TextFormat format;
    format.SetupFont(QStringLiteral("Tahoma"), 9, false, painter);
    format.textColour_ = colour;
    format.alignment_ = TextFormat::kAlignBottom | TextFormat::kAlignCenter;
    format.backgroundMode_ = TextFormat::kOpaque;
    format.backgroundColour_ = WindowColour();
    const int s = std::max(size, 0);
    const size_t n = PointsInRuns(points, runs);
    for (size_t i = 0; i < n; ++i)
        format.DrawAt(painter, QPoint(points[i].x() + s, points[i].y() - s), QString::number(i + 1));
}

SmartPtr<DrawObject> MakeDrawObject(int32_t kind)
{
    switch (kind) {
    case kDrawLineSegments: return SmartPtr<DrawObject>(new DrawLineSegments);
    case kDrawPoints: return SmartPtr<DrawObject>(new DrawPoints);
    case kDrawOrdinal: return SmartPtr<DrawObject>(new DrawOrdinal);
    default: return nullptr;
    }
}

}  // namespace GUILib
