// Small drawing and geometry helpers shared by the dialogs and panes.
#pragma once

#include <QColor>
#include <QRect>

class QFont;
class QPainter;
class QWidget;

namespace KVI {

// Draws a one-pixel three-dimensional border just inside rect: the top and left edges in first,
// the right and bottom edges in second (each edge a filled one-pixel strip; the right and bottom
// strips run the full height and width, the top and left ones stop one pixel short). The
// painter's state is left as it was.
void Draw3dBorder(QPainter& painter, const QRect& rect, const QColor& first, const QColor& second);

// Horizontal dialog units in pixels for a dialog's font, as a template's geometry gives them: a
// quarter of the font's average character width (that of the 52 letters, rounded) per unit.
int DialogUnitsX(const QFont& font, int units);

// A dialog control's rectangle in the dialog's client coordinates, found by control id.
struct ItemRect {
    // [in] dialog: the dialog; id: the control's id (the "controlId" property). rect_ is empty
    // when the dialog has no such control.
    ItemRect(const QWidget* dialog, int id);

    const QWidget* dialog_;
    QRect rect_;
    int id_;
};

}  // namespace KVI
