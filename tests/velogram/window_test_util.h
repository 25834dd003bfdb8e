// Events and pixel counts for the tests of the application window: drags with the left button,
// wheel turns, and how many pixels of a colour a part of a picture holds.
#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace VelogramTest {

// Drags with the left button across a widget, from one client point to another, in steps.
inline void Drag(QWidget* widget, QPoint from, QPoint to, int steps = 8)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) QTest::mouseMove(widget, from + (to - from) * i / steps);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

// Turns the wheel over a widget at a client point: notches of 120 units, up (away from the
// user) for positive, sideways with horizontal.
inline void Wheel(QWidget* widget, QPoint at, double notches, Qt::KeyboardModifiers modifiers = {},
                  bool horizontal = false)
{
    const int units = int(notches * 120);
    const QPoint delta = horizontal ? QPoint(units, 0) : QPoint(0, units);
    QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// Pixels of a colour inside a rectangle of an image.
inline int CountPixels(const QImage& image, const QRect& rect, QColor colour)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

}  // namespace VelogramTest
