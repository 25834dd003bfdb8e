#include "host/zor/gui/scale_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace Zor {

ScaleWidget::ScaleWidget(Client* client, QWidget* parent) : QWidget(parent), client_(client)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ScaleWidget::~ScaleWidget() = default;

void ScaleWidget::DetachClient()
{
    client_ = nullptr;
    dragging_ = false;
}

bool ScaleWidget::event(QEvent* e)
{
    // The deferred deletion ends the widget inside QWidget::event: nothing may follow it.
    if (e->type() == QEvent::DeferredDelete) return QWidget::event(e);
    // Counted so that the component, when an observer releases it from inside a notification
    // sent by one of these handlers, defers deleting the widget until the handler has returned.
    ++inEvent_;
    const bool handled = QWidget::event(e);
    --inEvent_;
    if (e->type() == QEvent::MouseButtonRelease) UpdateCursor(mapFromGlobal(QCursor::pos()));
    return handled;
}

void ScaleWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (client_) client_->PaintScale(painter, rect());
}

void ScaleWidget::resizeEvent(QResizeEvent*)
{
    if (client_) client_->GeometryChanged(geometry());
}

void ScaleWidget::moveEvent(QMoveEvent*)
{
    if (client_) client_->GeometryChanged(geometry());
}

void ScaleWidget::mousePressEvent(QMouseEvent* e)
{
    if (!client_ || e->button() != Qt::LeftButton || dragging_) return;
    dragging_ = client_->BeginDrag(client_->AxisPixelAt(e->position().toPoint()));
    if (dragging_) setCursor(Qt::ClosedHandCursor);
}

void ScaleWidget::mouseMoveEvent(QMouseEvent* e)
{
    if (!client_) return;
    if (dragging_)
        client_->DragTo(client_->AxisPixelAt(e->position().toPoint()));
    else
        UpdateCursor(e->position().toPoint());
}

void ScaleWidget::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) FinishDrag();
}

void ScaleWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (client_ && e->button() == Qt::LeftButton) client_->DoubleClicked();
}

void ScaleWidget::FinishDrag()
{
    if (!dragging_) return;
    dragging_ = false;
    if (client_) client_->EndDrag();
}

void ScaleWidget::UpdateCursor(const QPoint& point)
{
    if (!client_ || dragging_) return;
    const std::optional<ScaleMap::Zone> zone = client_->ZoneAt(client_->AxisPixelAt(point));
    if (!zone) {
        unsetCursor();
    } else if (*zone == ScaleMap::Zone::Middle) {
        setCursor(Qt::OpenHandCursor);
    } else {
        // The ends stretch along the axis; the orientation shows in the client's pixel axis, so
        // ask which way a point one pixel down moves it.
        const bool vertical = client_->AxisPixelAt(point + QPoint(0, 1)) != client_->AxisPixelAt(point);
        setCursor(vertical ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    }
}

}  // namespace Zor
