#include "settings_dialog/tsicn_button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "foundation/gui/control_id.h"
#include "foundation/gui/resource_bitmap.h"

namespace Tessar {

TSICNButton::TSICNButton(QWidget* dialog, int id)
{
    KVI::BindControl(dialog, id, this);
    setAutoDefault(false);
    // The row buttons take a value into the table; the edits keep the focus chain.
    setFocusPolicy(Qt::NoFocus);
}

QSize TSICNButton::sizeHint() const
{
    // The bitmap with a two-pixel face around it.
    return QSize(kBitmapSize + 4, kBitmapSize + 4);
}

void TSICNButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton face;
    initStyleOption(&face);
    face.text.clear();
    face.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, face);
    const QPixmap bitmap = KVI::LoadBitmap(isDown() ? kPressedBitmap : kNormalBitmap);
    const QRect target(QPoint(0, 0), QSize(kBitmapSize, kBitmapSize));
    painter.drawPixmap(target.translated(rect().center() - target.center()), bitmap);
}

}  // namespace Tessar
