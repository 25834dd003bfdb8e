#include "foundation/gui/window_utils.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include "foundation/gui/control_id.h"

namespace KVI {

void Draw3dBorder(QPainter& painter, const QRect& rect, const QColor& first, const QColor& second)
{
    const int x = rect.left();
    const int y = rect.top();
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0) return;
    painter.fillRect(QRect(x, y, w - 1, 1), first);      // top
    painter.fillRect(QRect(x, y, 1, h - 1), first);      // left
    painter.fillRect(QRect(x + w - 1, y, 1, h), second);  // right
    painter.fillRect(QRect(x, y + h - 1, w, 1), second);  // bottom
}

int DialogUnitsX(const QFont& font, int units)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseUnit = (letters / 26 + 1) / 2;
    return (units * baseUnit + 2) / 4;
}

ItemRect::ItemRect(const QWidget* dialog, int id) : dialog_(dialog), id_(id)
{
    const QWidget* control = FindControl(dialog, id);
    if (!control) return;
    // The control's whole window rectangle, taken from the parent's coordinates into the
    // dialog's.
    const QWidget* parent = control->parentWidget();
    const QPoint topLeft = parent == dialog ? control->pos() : parent->mapTo(dialog, control->pos());
    rect_ = QRect(topLeft, control->size());
}

}  // namespace KVI
