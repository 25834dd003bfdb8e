#include "foundation/message_box.h"

#include <cstdio>
#include <mutex>

namespace KVI {
namespace {

struct PresenterSlot {
    std::mutex mutex;
    MessagePresenter presenter;
};

PresenterSlot& Slot()
{
    static PresenterSlot* slot = new PresenterSlot;  // messages may be shown during exit
    return *slot;
}

void WriteToStandardError(const MessageBoxRequest& m)
{
    std::fprintf(stderr, "%s: %s\n", m.caption.ToUtf8().c_str(), m.text.ToUtf8().c_str());
    std::fflush(stderr);
}

}  // namespace

void ShowMessage(const String& caption, const String& text, MessageIcon icon)
{
    MessagePresenter presenter;
    {
        std::lock_guard lock(Slot().mutex);
        presenter = Slot().presenter;
    }
    const MessageBoxRequest request{caption, text, icon};
    if (presenter)
        presenter(request);
    else
        WriteToStandardError(request);
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter)
{
    std::lock_guard lock(Slot().mutex);
    MessagePresenter previous = std::move(Slot().presenter);
    Slot().presenter = std::move(presenter);
    return previous;
}

}  // namespace KVI
