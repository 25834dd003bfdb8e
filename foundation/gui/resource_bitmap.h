// The module's bitmaps (resources/tessar.qrc), loaded by resource id.
#pragma once

#include <QImage>
#include <QPixmap>

namespace KVI {

// Bitmap ids of the module.
namespace BitmapId {
inline constexpr int kGraphCursor = 100;     // 16 x 16, drawn with XOR, hot spot (8, 8)
inline constexpr int kErrorIcon = 206;       // 12 x 12, red; top-left colour transparent
inline constexpr int kInformationIcon = 207; // 12 x 12, blue; top-left colour transparent
inline constexpr int kRowArrow = 304;        // 16 x 16 icon with alpha
inline constexpr int kArrowButton = 324;     // 16 x 16, arrow on a button face
inline constexpr int kArrowButtonPressed = 325;
inline constexpr int kMarkerCurrent = 326;   // 16 x 16 monochrome, combined by AND
inline constexpr int kMarkerMaximum = 327;
inline constexpr int kMarkerMinimum = 328;
}  // namespace BitmapId

// The bitmap as an image; a null image when the module has no bitmap of that id.
QImage LoadBitmapImage(int id);
// The same as a pixmap (needs a QGuiApplication); a null pixmap when there is none.
QPixmap LoadBitmap(int id);
// The bitmap with its top-left pixel colour made transparent, as bitmaps drawn with a
// transparent colour key are; a null pixmap when there is none.
QPixmap LoadKeyedBitmap(int id);

}  // namespace KVI
