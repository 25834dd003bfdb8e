// KVIControls::ErrorProvider: a small icon beside a dialog control that marks a problem and
// explains it when the pointer rests on it, in a balloon (a heading and a text) or in a delayed
// pop-up. Bound to control 105 of its dialog; hidden until SetError shows it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QBasicTimer>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include "foundation/kvi_string.h"

namespace KVI {
class Balloon;
class Popup;
}  // namespace KVI

namespace KVIControls {

class ErrorProvider : public QWidget {
public:
    static constexpr int kControlId = 105;

    // Style flags: exactly one icon and one kind of hover help.
    static constexpr uint32_t kBalloonOnHover = 1;
    static constexpr uint32_t kPopupOnHover = 2;
    static constexpr uint32_t kNoHoverHelp = 4;
    static constexpr uint32_t kErrorIcon = 8;
    static constexpr uint32_t kInformationIcon = 0x10;
    static constexpr uint32_t kDefaultStyle = kErrorIcon | kBalloonOnHover;  // 9

    // Pop-up timing: the hover timer's period and the longest a pop-up stays.
    static constexpr int kTimerPeriodMs = 50;
    static constexpr int kPopupLimitMs = 5000;
    // The pop-up goes this far from the pointer (before its own (+2, +2)).
    static constexpr QPoint kPopupOffset{-3, 19};
    // The pointer must move further than this (straight-line pixels) to show the balloon again.
    static constexpr int kBalloonMoveThreshold = 3;

    // Binds to the dialog's control id (see control_id.h), then sets up: normalises the style,
    // loads the icons (bitmaps 206 and 207, top-left colour transparent) and takes the icon's
    // size, keeping the left and bottom edges. Starts hidden.
    explicit ErrorProvider(QWidget* dialog, uint32_t style = kDefaultStyle, int id = kControlId);
    ~ErrorProvider() override;

    // Exactly one of kErrorIcon and kInformationIcon (information when both, error when
    // neither); exactly one of kBalloonOnHover, kPopupOnHover and kNoHoverHelp (the lowest set,
    // balloon when none). Other bits are kept.
    static uint32_t NormaliseStyle(uint32_t style);
    uint32_t Style() const { return style_; }

    // Stores the title and message, then shows the mark when show is set and hides it (with
    // any balloon or pop-up) when not.
    void SetError(bool show, const KVI::String& title, const KVI::String& message);
    const KVI::String& Title() const { return title_; }
    const KVI::String& Message() const { return message_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void SetupWindow();
    void ShowBalloon(QPoint pos);
    void EndHoverHelp();
    void DestroyPopup();

    uint32_t style_;
    QPixmap errorIcon_;
    QPixmap informationIcon_;
    KVI::String title_;
    KVI::String message_;
    int hoverMs_ = 0;
    // Where the balloon was last shown; none until it is shown, so the first move shows it.
    std::optional<QPoint> lastPos_;
    QPoint lastGlobalPos_;
    QBasicTimer timer_;
    std::unique_ptr<KVI::Popup> popup_;
    std::unique_ptr<KVI::Balloon> balloon_;
};

}  // namespace KVIControls
