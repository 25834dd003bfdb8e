// TSICNButton: the row button of the calibration dialog (controls 280..291). It paints a 16 x 16
// bitmap of the module's resources centred on a push-button face drawn by the style: bitmap 324
// (an arrow pointing right) normally, 325 (the same arrow pressed in) while the button is down.
#pragma once

#include <QPushButton>

namespace Tessar {

class TSICNButton : public QPushButton {
public:
    static constexpr int kNormalBitmap = 324;
    static constexpr int kPressedBitmap = 325;
    static constexpr int kBitmapSize = 16;

    // Binds to the dialog's control with the id (taking its place), or becomes a child of dialog.
    TSICNButton(QWidget* dialog, int id);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace Tessar
