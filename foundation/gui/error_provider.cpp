#include "foundation/gui/error_provider.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include "foundation/gui/balloon.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/popup.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/resource_bitmap.h"

namespace KVIControls {

ErrorProvider::ErrorProvider(QWidget* dialog, uint32_t style, int id) : QWidget(dialog), style_(style)
{
    KVI::BindControl(dialog, id, this);
    hide();
    SetupWindow();
}

ErrorProvider::~ErrorProvider()
{
    timer_.stop();
}

uint32_t ErrorProvider::NormaliseStyle(uint32_t style)
{
    constexpr uint32_t icons = kErrorIcon | kInformationIcon;
    constexpr uint32_t help = kBalloonOnHover | kPopupOnHover | kNoHoverHelp;
    const uint32_t icon = (style & kInformationIcon) ? kInformationIcon : kErrorIcon;
    uint32_t hover = kBalloonOnHover;
    if (style & help) hover = style & help & (~(style & help) + 1);  // the lowest bit set
    return (style & ~(icons | help)) | icon | hover;
}

void ErrorProvider::SetupWindow()
{
    style_ = NormaliseStyle(style_);
    errorIcon_ = KVI::LoadKeyedBitmap(KVI::BitmapId::kErrorIcon);
    informationIcon_ = KVI::LoadKeyedBitmap(KVI::BitmapId::kInformationIcon);
    setMouseTracking(true);  // hover help needs moves without a button held

    // Take the icon's size; the template places the mark by its left and bottom edges.
    const QSize icon = sizeHint();
    const QRect old = geometry();
    setFixedSize(icon);
    move(old.left(), old.top() + old.height() - icon.height());
}

QSize ErrorProvider::sizeHint() const
{
    const QPixmap& icon = (style_ & kInformationIcon) ? informationIcon_ : errorIcon_;
    return icon.isNull() ? QSize(12, 12) : icon.size();
}

void ErrorProvider::SetError(bool show, const KVI::String& title, const KVI::String& message)
{
    title_ = title;
    message_ = message;
    setVisible(show);
}

void ErrorProvider::paintEvent(QPaintEvent*)
{
    // The icons carry a mask made from their corner colour; an icon without a mask is simply
    // drawn whole.
    QPainter p(this);
    p.drawPixmap(0, 0, (style_ & kInformationIcon) ? informationIcon_ : errorIcon_);
}

void ErrorProvider::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    if (message_.IsEmpty() || (style_ & kNoHoverHelp)) return;
    const QPoint pos = event->position().toPoint();
    lastGlobalPos_ = event->globalPosition().toPoint();

    if (style_ & kBalloonOnHover) {
        const bool moved = !lastPos_ || std::hypot(double(pos.x() - lastPos_->x()), double(pos.y() - lastPos_->y())) >
                                            kBalloonMoveThreshold;
        if (moved) ShowBalloon(pos);
    } else if ((style_ & kPopupOnHover) && !popup_ && !timer_.isActive()) {
        timer_.start(kTimerPeriodMs, this);
    }
}

void ErrorProvider::ShowBalloon(QPoint pos)
{
    lastPos_ = pos;
    if (!balloon_) balloon_ = std::make_unique<KVI::Balloon>(this);
    balloon_->ShowAt(QRect(mapToGlobal(QPoint(0, 0)), size()), KVI::ToQString(title_), KVI::ToQString(message_));
}

void ErrorProvider::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    hoverMs_ += kTimerPeriodMs;
    if (hoverMs_ > kPopupLimitMs) {
        timer_.stop();
        hoverMs_ = 0;
        DestroyPopup();
        return;
    }
    if (!popup_) popup_ = std::make_unique<KVI::Popup>(this, lastGlobalPos_ + kPopupOffset, message_);
}

void ErrorProvider::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    EndHoverHelp();
}

void ErrorProvider::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    EndHoverHelp();
}

void ErrorProvider::EndHoverHelp()
{
    timer_.stop();
    // The next visit starts its own five seconds.
    hoverMs_ = 0;
    DestroyPopup();
    if (balloon_) balloon_->hide();
    lastPos_.reset();
}

void ErrorProvider::DestroyPopup()
{
    popup_.reset();
}

}  // namespace KVIControls
