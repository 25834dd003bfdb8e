#include "foundation/gui/popup.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "foundation/gui/application_visibility.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/window_placement.h"

namespace KVI {
namespace {

const QColor kBackground(255, 255, 225);

}  // namespace

QFont Popup::GadgetFont()
{
    QFont f(QStringLiteral("MS Shell Dlg"));
    f.setPointSize(8);
    return f;
}

QSize Popup::MeasureText(const QString& text, const QFont& font)
{
    const QFontMetrics fm(font);
    return fm.boundingRect(QRect(0, 0, kWrapWidth, 0), Qt::TextWordWrap, text).size();
}

QRect Popup::Geometry(QPoint point, QSize textSize, const QRect& workArea)
{
    QRect r(point + QPoint(2, 2), QSize(textSize.width() + 5, textSize.height() + 2));
    const int workRight = workArea.left() + workArea.width();
    const int workBottom = workArea.top() + workArea.height();
    r.moveLeft(std::min(r.left(), workRight - r.width() - 10));
    if (r.top() + r.height() > workBottom) r.translate(0, -(r.height() + 3));
    return r;
}

Popup::Popup(QWidget* parent, QPoint point, const String& text)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint), text_(ToQString(text))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFont(GadgetFont());
    setGeometry(Geometry(point, MeasureText(text_, font()), WorkAreaAt(point)));
    // A pop-up over a hidden host (batch use, minimised start) would float alone on the desktop.
    if (IsApplicationVisible()) show();
}

void Popup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));  // the thin border
    p.setFont(font());
    // Inside the border, one pixel further right; never wider than the measuring width, so the
    // lines break where they were measured.
    const QRect text(2, 1, std::min(width() - 3, kWrapWidth), height() - 2);
    p.drawText(text, Qt::TextWordWrap, text_);
}

}  // namespace KVI
