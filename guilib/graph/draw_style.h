// Drawing styles shared by the graph and table components: pen style codes and the system
// window colour.
#pragma once

#include <cstdint>

#include <QColor>
#include <Qt>

#include "foundation/gui/text_format.h"

namespace GUILib {

// Pen style codes of the components' pens (the codes that are stored with a plot's draw
// object and the grid's pens).
enum PenStyleCode : int32_t {
    kPenSolid = 0,
    kPenDash = 1,
    kPenDot = 2,
    kPenDashDot = 3,
    kPenDashDotDot = 4,
    kPenNull = 5,
};

// The Qt pen style of a code; an unknown code draws solid.
inline Qt::PenStyle QtPenStyle(int32_t code)
{
    switch (code) {
    case kPenDash: return Qt::DashLine;
    case kPenDot: return Qt::DotLine;
    case kPenDashDot: return Qt::DashDotLine;
    case kPenDashDotDot: return Qt::DashDotDotLine;
    case kPenNull: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

// The colour that windows and pictures are cleared with (the palette's base colour, white
// without a GUI application): the one a default TextFormat takes as its background.
inline QColor WindowColour()
{
    return TextFormat().backgroundColour_;
}

}  // namespace GUILib
