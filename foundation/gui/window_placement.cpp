#include "foundation/gui/window_placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace KVI {
namespace {

// Exclusive edges, as the work area's contract speaks of them.
int Right(const QRect& r) { return r.left() + r.width(); }
int Bottom(const QRect& r) { return r.top() + r.height(); }

}  // namespace

QRect BringIntoWorkArea(QRect rect, const QRect& workArea)
{
    if (Bottom(rect) > Bottom(workArea)) rect.translate(0, Bottom(workArea) - Bottom(rect));
    if (Right(rect) > Right(workArea)) rect.translate(Right(workArea) - Right(rect), 0);
    if (rect.top() < workArea.top()) rect.translate(0, workArea.top() - rect.top());
    if (rect.left() < workArea.left()) rect.translate(workArea.left() - rect.left(), 0);
    return rect;
}

QRect CentreOn(const QRect& window, const QRect& reference)
{
    const int cx = (reference.left() + Right(reference)) / 2;
    const int cy = (reference.top() + Bottom(reference)) / 2;
    return QRect(QPoint(cx - window.width() / 2, cy - window.height() / 2), window.size());
}

QRect PlacedRect(const QRect& window, Placement placement, const QRect& reference, QPoint cursor, QPoint point,
                 const QRect& workArea)
{
    QRect placed = window;
    switch (placement) {
    case Placement::kCentred: placed = CentreOn(window, reference); break;
    case Placement::kAtCursor: placed.moveTopLeft(cursor); break;
    case Placement::kAtPoint: placed.moveTopLeft(point); break;
    }
    return BringIntoWorkArea(placed, workArea);
}

QRect WorkAreaAt(QPoint globalPoint)
{
    QScreen* screen = QGuiApplication::screenAt(globalPoint);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect PrimaryWorkArea()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void PlaceWindow(QWidget* window, Placement placement, QPoint point)
{
    if (!window) return;
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    const QRect reference = parent ? parent->frameGeometry() : PrimaryWorkArea();
    const QPoint cursor = QCursor::pos();
    // The work area of the screen the window is going to: at the reference's centre, the
    // cursor or the point.
    const QPoint target = placement == Placement::kCentred ? reference.center()
                          : placement == Placement::kAtCursor ? cursor
                                                              : point;
    // A window not yet created has no frame, and Qt's frame rectangle for it is off by a pixel.
    const QRect frame =
        window->testAttribute(Qt::WA_WState_Created) ? window->frameGeometry() : QRect(window->pos(), window->size());
    const QRect placed = PlacedRect(frame, placement, reference, cursor, point, WorkAreaAt(target));
    window->move(placed.topLeft());
}

}  // namespace KVI
