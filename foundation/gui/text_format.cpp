#include "foundation/gui/text_format.h"

#include <cstdlib>

#include <QFontMetrics>
#include <QLineF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QTransform>

namespace GUILib {
namespace {

QColor SystemWindowColour()
{
    // The palette needs a GUI application; a format made without one (batch rendering before
    // the application exists) starts on white, the usual window colour.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QGuiApplication::palette().color(QPalette::Base);
    return QColor(Qt::white);
}

// Vertical resolution of the device the painter draws on; 96 when it draws on none.
int DeviceDpiY(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    return device ? device->logicalDpiY() : 96;
}

// A vertical distance in device pixels turned into the painter's logical units: the distance
// between the two logical points that the device points (0, 0) and (0, pixels) map back to.
int DeviceToLogicalHeight(const QPainter& painter, int pixels)
{
    bool invertible = false;
    const QTransform toLogical = painter.combinedTransform().inverted(&invertible);
    if (!invertible) return pixels;
    const QPointF a = toLogical.map(QPointF(0, 0));
    const QPointF b = toLogical.map(QPointF(0, pixels));
    return qRound(QLineF(a, b).length());
}

}  // namespace

TextFormat::TextFormat() : textColour_(Qt::black), backgroundColour_(SystemWindowColour()) {}

int32_t TextFormat::Escapement(int32_t rotation)
{
    switch (rotation) {
    case kRotate90: return 900;
    case kRotateMinus90: return -900;
    case kRotate180: return 1800;
    default: return 0;
    }
}

void TextFormat::SetupFont(const QString& faceName, int points, bool bold, const QPainter& painter)
{
    font_ = LogFont{};
    font_.charSet_ = 1;
    font_.faceName_ = faceName.left(LogFont::kMaxFaceName);
    // A negative height asks for a character height rather than a cell height, which is what
    // a point size means.
    const int devicePixels = DeviceDpiY(painter) * points / 72;
    font_.height_ = -std::abs(DeviceToLogicalHeight(painter, devicePixels));
    font_.weight_ = bold ? 700 : 0;
    font_.escapement_ = Escapement(rotation_);
    font_.orientation_ = font_.escapement_;
}

QFont TextFormat::CreateFont() const
{
    QFont f(font_.faceName_);
    if (font_.height_ != 0) f.setPixelSize(std::abs(font_.height_));
    f.setWeight(font_.weight_ >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(font_.italic_);
    f.setUnderline(font_.underline_);
    return f;
}

void TextFormat::DrawAt(QPainter& painter, QPoint point, const QString& text) const
{
    const QFont font = CreateFont();
    const QFontMetrics fm(font, painter.device());
    const int width = fm.horizontalAdvance(text);

    // Horizontal: the centre flags contain the right flag, so they are tested first.
    int x = 0;
    if ((alignment_ & kAlignCenter) == kAlignCenter)
        x = -width / 2;
    else if (alignment_ & kAlignRight)
        x = -width;
    // Vertical: the baseline flags contain the bottom flag.
    int baseline = fm.ascent();
    if ((alignment_ & kAlignBaseline) == kAlignBaseline)
        baseline = 0;
    else if (alignment_ & kAlignBottom)
        baseline = -fm.descent();

    painter.save();
    painter.translate(point);
    // Escapement turns counter-clockwise; with y pointing down that is a negative angle.
    painter.rotate(-font_.escapement_ / 10.0);
    if (backgroundMode_ == kOpaque)
        painter.fillRect(QRect(x, baseline - fm.ascent(), width, fm.ascent() + fm.descent()), backgroundColour_);
    painter.setFont(font);
    painter.setPen(textColour_);
    painter.drawText(QPoint(x, baseline), text);
    painter.restore();
}

QString TextFormat::FitToWidth(const QPainter& painter, const QString& text, int width) const
{
    const QFontMetrics fm(CreateFont(), painter.device());
    return fm.elidedText(text, Qt::ElideRight, width);
}

void TextFormat::DrawInRect(QPainter& painter, const QRect& rect, const QString& text) const
{
    const QString shown = FitToWidth(painter, text, rect.width());
    const int flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine;

    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(CreateFont());
    if (backgroundMode_ == kOpaque)
        painter.fillRect(painter.boundingRect(rect, flags, shown) & rect, backgroundColour_);
    painter.setPen(textColour_);
    painter.drawText(rect, flags, shown);
    painter.restore();
}

}  // namespace GUILib
