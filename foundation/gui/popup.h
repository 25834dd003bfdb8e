// KVI::Popup: the small yellow message window that the error provider shows beside the pointer.
// A borderless tool-tip window that never takes the focus or mouse input.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "foundation/kvi_string.h"

namespace KVI {

class Popup : public QWidget {
public:
    // Width at which the text wraps, in pixels.
    static constexpr int kWrapWidth = 300;

    // [in] parent: owns the pop-up; point: global position the pop-up is placed from; text: the
    // message (copied). The window goes to point + (2, 2), sized to the text wrapped at 300
    // pixels (measured width + 5, measured height + 2), kept inside the work area of the screen
    // at point, and is shown without activation only when the host's application window is
    // visible (IsApplicationVisible).
    Popup(QWidget* parent, QPoint point, const String& text);

    const QString& Text() const { return text_; }

    // The gadget font the text is measured and drawn with.
    static QFont GadgetFont();
    // The size of text wrapped at kWrapWidth pixels in font.
    static QSize MeasureText(const QString& text, const QFont& font);
    // The pop-up's rectangle for a point, a measured text size and a work area: top-left at
    // point + (2, 2), size (width + 5, height + 2); then the left edge becomes the smaller of its
    // own and the work area's right edge - width - 10, and when the bottom passes the work area's
    // bottom the rectangle moves up by its height + 3.
    static QRect Geometry(QPoint point, QSize textSize, const QRect& workArea);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

}  // namespace KVI
