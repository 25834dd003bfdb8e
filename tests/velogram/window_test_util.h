// Events and pixel counts for the tests of the application window: drags with the left button,
// wheel turns, how many pixels of a colour a part of a picture holds, and the calibration
// dialog set up from its pane as a user does it.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTest>
#include <QLineEdit>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include "foundation/gui/control_id.h"

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

// In the module's calibration dialog: the pane's value near its left and its right end taken
// into rows 1 and 2 with their row buttons, 0 and 100 typed as their calibrated values, and
// OK (a dialog that refuses to close is cancelled). [out] rawTexts: the two raw edits' texts.
inline void CalibrateFromThePane(QDialog* dialog, QString rawTexts[2])
{
    QWidget* frame = KVI::FindControl(dialog, 301);
    ASSERT_NE(frame, nullptr);
    const QRect f = frame->geometry();
    QWidget* pane = dialog->childAt(QPoint(f.right() - 30, f.center().y()));
    ASSERT_NE(pane, nullptr);
    const int xs[2] = {6, pane->width() - 30};
    for (int row = 0; row < 2; ++row) {
        QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(xs[row], pane->height() / 2));
        QTest::mouseClick(KVI::FindControl<QAbstractButton>(dialog, 280 + row), Qt::LeftButton);
        rawTexts[row] = KVI::FindControl<QLineEdit>(dialog, 208 + row)->text();
        auto* calibrated = KVI::FindControl<QLineEdit>(dialog, 220 + row);
        QTest::mouseClick(calibrated, Qt::LeftButton);
        calibrated->selectAll();
        QTest::keyClicks(calibrated, row == 0 ? QStringLiteral("0") : QStringLiteral("100"));
        QTest::keyClick(calibrated, Qt::Key_Tab);
    }
    QTest::mouseClick(KVI::FindControl<QAbstractButton>(dialog, 1), Qt::LeftButton);
    if (dialog->isVisible()) dialog->reject();
}

}  // namespace VelogramTest
