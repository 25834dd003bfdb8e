// Zor::ScaleWidget: the window of a scale component. It only paints through its client and turns
// mouse events into drag steps; the range, the texts and the observers live in the client (the
// component, drag_scale.h). The cursor shows what a press would do: a sizing arrow over the ends
// (stretch), an open hand over the middle (move).
#pragma once

#include <QWidget>

#include "host/zor/gui/scale_map.h"

namespace Zor {

class ScaleWidget : public QWidget {
public:
    class Client {
    public:
        // Paints the whole scale into rect (the widget's own rectangle) on the widget.
        virtual void PaintScale(QPainter& painter, const QRect& rect) = 0;
        // The widget's geometry in its parent changed (moved, resized, laid out).
        virtual void GeometryChanged(const QRect& geometry) = 0;
        // The axis pixel of a point in widget coordinates.
        virtual double AxisPixelAt(const QPoint& point) const = 0;
        // What a press at an axis pixel grabs; nothing when the scale cannot be dragged.
        virtual std::optional<ScaleMap::Zone> ZoneAt(double axisPixel) const = 0;
        // A drag: begins at an axis pixel (false: no drag), moves, ends.
        virtual bool BeginDrag(double axisPixel) = 0;
        virtual void DragTo(double axisPixel) = 0;
        virtual void EndDrag() = 0;
        // A double click: back to the home range.
        virtual void DoubleClicked() = 0;

    protected:
        ~Client() = default;
    };

    // [in] client: the component; it must outlive the widget or detach itself first.
    ScaleWidget(Client* client, QWidget* parent);
    ~ScaleWidget() override;

    void DetachClient();
    // True while one of the widget's event handlers runs (the component then deletes it later).
    bool InEvent() const { return inEvent_ > 0; }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void UpdateCursor(const QPoint& point);
    void FinishDrag();

    Client* client_;
    bool dragging_ = false;
    int inEvent_ = 0;
};

}  // namespace Zor
