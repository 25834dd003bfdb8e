// GUILib::TextFormat: how a line of text is drawn by the graph, the table grid and the report's
// details block: the font, the colours, the alignment on the reference point and the rotation.
//
// Sizes are in the painter's logical units; the font's height comes from the resolution of the
// painter's device (QPaintDevice::logicalDpiY), so the same format draws alike on the screen,
// on an image, in a picture and on a printer page.
#pragma once

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

namespace GUILib {

// The font a format draws with, in the terms of a logical font description.
struct LogFont {
    // Negative: a character height (the em height) in logical units; 0: unset.
    int32_t height_ = 0;
    int32_t weight_ = 0;       // 0 default (normal), 400 normal, 700 bold
    int32_t escapement_ = 0;   // baseline angle, tenths of a degree counter-clockwise
    int32_t orientation_ = 0;  // glyph angle, tenths of a degree; follows escapement
    bool italic_ = false;
    bool underline_ = false;
    uint8_t charSet_ = 0;      // 1: the default character set
    QString faceName_;         // at most kMaxFaceName characters

    static constexpr int kMaxFaceName = 32;
};

class TextFormat {
public:
    // Rotation of the text: escapement 0, 900, -900 and 1800.
    enum Rotation : int32_t { kNoRotation = 0, kRotate90 = 1, kRotateMinus90 = 2, kRotate180 = 3 };
    // Alignment flags: one horizontal and one vertical choice, or-ed.
    static constexpr int32_t kAlignLeft = 0;
    static constexpr int32_t kAlignRight = 2;
    static constexpr int32_t kAlignCenter = 6;
    static constexpr int32_t kAlignTop = 0;
    static constexpr int32_t kAlignBottom = 8;
    static constexpr int32_t kAlignBaseline = 24;
    // Background modes.
    static constexpr int32_t kTransparent = 1;
    static constexpr int32_t kOpaque = 2;

    // Rotation none, alignment bottom and centre (14), opaque, black text on the system window
    // colour (white without a GUI application); the font is unset until SetupFont.
    TextFormat();
    virtual ~TextFormat() = default;
    TextFormat(const TextFormat&) = default;
    TextFormat& operator=(const TextFormat&) = default;

    // Fills the font: default character set, the face name cut to 32 characters, the height
    // -(dpiY * points / 72) (integer division, dpiY the painter device's vertical resolution)
    // turned from device into the painter's logical units, weight 700 when bold else 0, not
    // italic, not underlined, escapement and orientation from the rotation. [in] points: the
    // font size in points. The rotation must be set before.
    void SetupFont(const QString& faceName, int points, bool bold, const QPainter& painter);

    // The QFont of font_ (pixel size |height|, bold from weight 600 up).
    QFont CreateFont() const;
    // Escapement of a rotation in tenths of a degree (0 for an unknown rotation).
    static int32_t Escapement(int32_t rotation);

    // Draws the whole text with its reference point at point, aligned by alignment_ and rotated
    // by rotation_; in opaque mode the text's cell is filled with the background colour first.
    // The painter's pen, brush and font are left as they were.
    void DrawAt(QPainter& painter, QPoint point, const QString& text) const;
    // Draws the text on one line in rect, centred horizontally, on the rect's bottom, cut with
    // an ellipsis when it is wider than rect. Rotation is not applied in this form.
    void DrawInRect(QPainter& painter, const QRect& rect, const QString& text) const;
    // The text as DrawInRect writes it into a rect of that width with this format's font.
    QString FitToWidth(const QPainter& painter, const QString& text, int width) const;

    LogFont font_;
    int32_t rotation_ = kNoRotation;
    int32_t alignment_ = kAlignBottom | kAlignCenter;  // 14
    int32_t backgroundMode_ = kOpaque;
    QColor textColour_;
    QColor backgroundColour_;
};

}  // namespace GUILib
