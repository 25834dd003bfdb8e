// The one way the system shows a message to the user: a modal box with a caption, an icon and an
// OK button. The windowing layer installs the presenter that shows a real message box; tests
// install their own to answer and read messages. With no presenter installed (no display, batch
// use), the caption and text go to standard error.
#pragma once

#include <functional>

#include "foundation/kvi_string.h"

namespace KVI {

enum class MessageIcon { Stop, Warning, Information, Question };

struct MessageBoxRequest {
    String caption;
    String text;
    MessageIcon icon = MessageIcon::Stop;
};

using MessagePresenter = std::function<void(const MessageBoxRequest&)>;

// Shows the message and returns when the user has acknowledged it.
void ShowMessage(const String& caption, const String& text, MessageIcon icon = MessageIcon::Stop);

// Installs a presenter (an empty one restores standard error) and returns the previous one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// Installs a presenter for the lifetime of the object and restores the previous one after.
class ScopedMessagePresenter {
public:
    explicit ScopedMessagePresenter(MessagePresenter presenter) : previous_(SetMessagePresenter(std::move(presenter))) {}
    ~ScopedMessagePresenter() { SetMessagePresenter(std::move(previous_)); }
    ScopedMessagePresenter(const ScopedMessagePresenter&) = delete;
    ScopedMessagePresenter& operator=(const ScopedMessagePresenter&) = delete;

private:
    MessagePresenter previous_;
};

}  // namespace KVI
