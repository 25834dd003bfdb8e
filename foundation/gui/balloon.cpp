#include "foundation/gui/balloon.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "foundation/gui/window_placement.h"

namespace KVI {
namespace {

constexpr int kMargin = 8;      // between the border and the content
constexpr int kGap = 4;         // between the heading and the text
constexpr int kRadius = 6;      // of the body's corners
constexpr int kTailWidth = 12;  // at the body's edge

const QColor kFill(255, 255, 225);
const QColor kBorder(90, 90, 90);

}  // namespace

Balloon::Balloon(QWidget* owner) : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Every pixel of the shape is painted (paintEvent), none outside it is the window's.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

QFont Balloon::HeadingFont() const
{
    QFont f = font();
    f.setBold(true);
    return f;
}

QSize Balloon::ContentSize() const
{
    const QRect wrap(0, 0, kWrapWidth, 0);
    const QSize heading = QFontMetrics(HeadingFont()).boundingRect(wrap, Qt::TextWordWrap, heading_).size();
    const QSize text = QFontMetrics(font()).boundingRect(wrap, Qt::TextWordWrap, text_).size();
    const int gap = heading_.isEmpty() || text_.isEmpty() ? 0 : kGap;
    return QSize(std::max(heading.width(), text.width()), heading.height() + gap + text.height());
}

QRect Balloon::Geometry(const QRect& anchor, QSize size, const QRect& workArea, bool* above)
{
    const int tipX = anchor.left() + anchor.width() / 2;
    QRect r(QPoint(tipX - kTailOffset, anchor.top() + anchor.height()), size);
    const int workRight = workArea.left() + workArea.width();
    const int workBottom = workArea.top() + workArea.height();
    if (r.left() + r.width() > workRight) r.moveLeft(workRight - r.width());
    if (r.left() < workArea.left()) r.moveLeft(workArea.left());
    const bool up = r.top() + r.height() > workBottom;
    if (up) r.moveBottom(anchor.top() - 1);
    if (above) *above = up;
    return r;
}

void Balloon::ShowAt(const QRect& anchor, const QString& heading, const QString& text)
{
    heading_ = heading;
    text_ = text;
    const QSize content = ContentSize();
    const QSize size(content.width() + 2 * kMargin, content.height() + 2 * kMargin + kTailHeight);
    const QRect r = Geometry(anchor, size, WorkAreaAt(anchor.center()), &above_);
    const int tipX = anchor.left() + anchor.width() / 2 - r.left();
    tailX_ = std::clamp(tipX, kRadius + kTailWidth / 2, std::max(kRadius + kTailWidth / 2, r.width() - kRadius - kTailWidth / 2));
    setGeometry(r);
    setMask(Shape(r.size(), above_, tailX_));
    show();
    update();
}

QRegion Balloon::Shape(QSize size, bool above, int tailX)
{
    // The body leaves room for the tail on the side of the anchor.
    const QRect body = above ? QRect(0, 0, size.width(), size.height() - kTailHeight)
                             : QRect(0, kTailHeight, size.width(), size.height() - kTailHeight);
    QPainterPath path;
    path.addRoundedRect(QRectF(body), kRadius, kRadius);
    QRegion shape(path.toFillPolygon().toPolygon());
    // The tail: one row narrower per row from the body's edge to its tip.
    for (int i = 0; i < kTailHeight; ++i) {
        const int half = (kTailWidth / 2) * (kTailHeight - i) / kTailHeight;
        const int row = above ? body.bottom() + 1 + i : body.top() - 1 - i;
        shape += QRect(tailX - half, row, 2 * half + 1, 1);
    }
    return shape;
}

void Balloon::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // A border a pixel wide along the shape's edge, the fill within.
    const QRegion shape = Shape(size(), above_, tailX_);
    const QRegion inside =
        shape & shape.translated(1, 0) & shape.translated(-1, 0) & shape.translated(0, 1) & shape.translated(0, -1);
    p.setClipRegion(shape);
    p.fillRect(rect(), kBorder);
    p.setClipRegion(inside);
    p.fillRect(rect(), kFill);
    p.setClipping(false);

    p.setPen(Qt::black);
    const int top = (above_ ? 0 : kTailHeight) + kMargin;
    QRect area(kMargin, top, kWrapWidth, height());
    int y = top;
    if (!heading_.isEmpty()) {
        p.setFont(HeadingFont());
        const QRect used = p.boundingRect(area, Qt::TextWordWrap, heading_);
        p.drawText(area, Qt::TextWordWrap, heading_);
        y += used.height() + kGap;
    }
    p.setFont(font());
    p.drawText(QRect(kMargin, y, kWrapWidth, height()), Qt::TextWordWrap, text_);
}

}  // namespace KVI
