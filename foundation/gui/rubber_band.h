// The rubber band: an inverted rectangle that follows the mouse while the user drags out a span.
//
// Pixels cannot be inverted outside a paint event, so the band keeps its state, the owner paints
// it last in every paint event (Paint), and moving the band asks the owner to repaint only the
// pixels that change: the symmetric difference of the old and the new band. Inverting is its own
// inverse, so a pixel covered by both bands stays inverted without being touched.
#pragma once

#include <optional>

#include <QRect>
#include <QRegion>

class QPainter;
class QWidget;

namespace KVI {

// The part of a band that is inverted: the rectangle between its corners (both included,
// whichever way it was dragged), cut to clip when there is one.
QRegion VisibleBand(const QRect& rect, const std::optional<QRect>& clip = std::nullopt);

// The region whose pixels change when a band moves to next: the symmetric difference of the
// current band (none when hidden) and the new one; the new band alone when none is shown.
QRegion RubberBandUpdate(const std::optional<QRect>& current, const QRect& next);
// The same for a band inverted only inside clip: both bands are cut to clip first.
QRegion RubberBandUpdate(const std::optional<QRect>& current, const QRect& next, const QRect& clip);

class RubberBand {
public:
    // [in] owner: the widget the band is drawn on; it must call Paint at the end of its paint
    // event and outlive the band.
    explicit RubberBand(QWidget* owner) : owner_(owner) {}

    // Shows the band at rect (client coordinates of the owner), or moves it there.
    void Move(const QRect& rect);
    // The same, inverting only the part inside clip.
    void Move(const QRect& rect, const QRect& clip);
    // Removes the band when shown.
    void Hide();

    bool IsShown() const { return shown_; }
    // The current rectangle, normalised (meaningful while shown).
    QRect Rect() const { return rect_; }
    // The pixels the band inverts while shown.
    QRegion Region() const { return visible_; }

    // Inverts the band's pixels; a no-op while hidden. Inversion uses a raster operation, so the
    // painter must draw on a raster device (a widget's backing store or a QImage).
    void Paint(QPainter& painter) const;

private:
    void MoveTo(const QRect& rect, const std::optional<QRect>& clip);

    QWidget* owner_;
    QRect rect_;
    QRegion visible_;
    bool shown_ = false;
};

}  // namespace KVI
