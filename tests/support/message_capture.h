// The texts of the message boxes shown through the foundation's helper while it lives.
#pragma once

#include <string>
#include <vector>

#include "foundation/message_box.h"

namespace TestSupport {

class MessageCapture {
public:
    MessageCapture() : scoped_([this](const KVI::MessageBoxRequest& r) { texts.push_back(r.text.ToUtf8()); }) {}
    std::vector<std::string> texts;

private:
    KVI::ScopedMessagePresenter scoped_;
};

}  // namespace TestSupport
