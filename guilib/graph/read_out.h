// GUILib::CReadOut: a one-line text window for values such as the graph cursor's position.
//
// It draws its text with its TextFormat at a reference point of its client rectangle chosen by
// the format's alignment: horizontally the left edge, the centre or the right edge; vertically
// the top or the bottom (bottom also for baseline alignment). The format's rotation turns the
// text about that point. The format starts as "Tahoma" 9 points, not bold, transparent
// background, black text, background colour the window colour; its font is made for the
// device of each paint.
#pragma once

#include <cstdint>

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include "foundation/gui/text_format.h"

class QPainter;

namespace GUILib {

class CReadOut : public QWidget {
public:
    explicit CReadOut(QWidget* parent = nullptr);

    // Replaces the text; invalidates.
    void SetText(const QString& text);
    QString Text() const { return text_; }

    // The format's colours, alignment and rotation are the caller's to set (invalidate after);
    // its font is replaced at every paint from the face name and point size.
    TextFormat& Format() { return format_; }
    const TextFormat& Format() const { return format_; }

    // The reference point of rect for an alignment.
    static QPoint ReferencePoint(const QRect& rect, int32_t alignment);

    // Fills rect with the format's background colour and draws the text at the reference point
    // of area (the window's client rectangle on the screen). The painter's state is restored.
    void Paint(QPainter& painter, const QRect& rect, const QRect& area);

    QString faceName_ = QStringLiteral("Tahoma");
    int points_ = 9;
    bool bold_ = false;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    TextFormat format_;
};

}  // namespace GUILib
