#include "guilib/graph/read_out.h"

#include <QPaintEvent>
#include <QPainter>

#include "guilib/graph/draw_style.h"

namespace GUILib {

CReadOut::CReadOut(QWidget* parent) : QWidget(parent)
{
    format_.backgroundMode_ = TextFormat::kTransparent;
    format_.textColour_ = Qt::black;
    format_.backgroundColour_ = WindowColour();
}

void CReadOut::SetText(const QString& text)
{
    text_ = text;
    update();
}

QPoint CReadOut::ReferencePoint(const QRect& rect, int32_t alignment)
{
    // The right edge of a rectangle is exclusive: text aligned on it ends on the last column.
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    int x = rect.left();
    if ((alignment & TextFormat::kAlignCenter) == TextFormat::kAlignCenter)
        x = rect.left() + rect.width() / 2;
    else if (alignment & TextFormat::kAlignRight)
        x = right;
    const int y = (alignment & TextFormat::kAlignBottom) ? bottom : rect.top();
    return QPoint(x, y);
}

void CReadOut::Paint(QPainter& painter, const QRect& rect, const QRect& area)
{
    painter.save();
    painter.fillRect(rect, format_.backgroundColour_);
    format_.SetupFont(faceName_, points_, bold_, painter);
    format_.DrawAt(painter, ReferencePoint(area, format_.alignment_), text_);
    painter.restore();
}

void CReadOut::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    Paint(painter, event->rect(), rect());
}

}  // namespace GUILib
