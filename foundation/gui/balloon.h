// KVI::Balloon: balloon help, a rounded tool-tip window with a heading and a text, whose tail
// points at a control. The error provider shows its title and message in one on hover.
//
// The window is shaped by a mask (its body and tail, Shape) and paints every pixel inside it,
// so it looks the same on every display: a window system without a compositing manager shows a
// translucent window's clear pixels black, but a masked window's clear pixels are simply not
// the window's.
#pragma once

#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QWidget>

namespace KVI {

class Balloon : public QWidget {
public:
    static constexpr int kWrapWidth = 300;  // the text wraps at this width, in pixels
    static constexpr int kTailHeight = 10;
    static constexpr int kTailOffset = 16;  // from the balloon's left edge to the tail's tip

    // [in] owner: the control the balloon belongs to; it owns the balloon.
    explicit Balloon(QWidget* owner);

    // Shows the balloon (without taking the focus) with its tail on the middle of the anchor's
    // bottom edge, below the anchor; above it when there is no room below in the work area.
    // [in] anchor: the control's rectangle in global coordinates.
    void ShowAt(const QRect& anchor, const QString& heading, const QString& text);

    const QString& Heading() const { return heading_; }
    const QString& Text() const { return text_; }
    bool PointsUp() const { return !above_; }

    // Where a balloon of the given size (tail included) goes for an anchor: tail tip on the
    // anchor's bottom centre, kTailOffset pixels from the balloon's left edge, then kept inside
    // the work area horizontally; above the anchor (tip on its top centre) when it would pass
    // the work area's bottom. [out] above: whether it went above.
    static QRect Geometry(const QRect& anchor, QSize size, const QRect& workArea, bool* above);

    // The pixels of a balloon of that size (tail included): a body with rounded corners on the
    // side away from the anchor and the tail, whose tip is at column tailX of the top row (or
    // of the bottom row when the balloon is above its anchor).
    static QRegion Shape(QSize size, bool above, int tailX);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize ContentSize() const;
    QFont HeadingFont() const;

    QString heading_;
    QString text_;
    bool above_ = false;
    int tailX_ = kTailOffset;  // the tip's x in the balloon's coordinates
};

}  // namespace KVI
