// Velogram::HostMessageObserver: how the application window hears of the messages that
// components send the host object (interfaces/message_service.h), such as the calibration
// dialog's "channel N changed" after OK. It registers itself with the host object's message
// log (IHostMessageLog::SetObserver) and passes every message's code and payload to a
// function of the window.
//
// The window owns the function; Detach (or the window's destruction calling it) stops the
// calls and unregisters the observer. A reference-counted object apart from the window, so the
// log may hold it beyond the window's life without reaching a destroyed widget.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "interfaces/message_service.h"
#include "platform/com_ptr.h"

namespace Velogram {

class HostMessageObserver final : public IZORMessageSink {
public:
    using Handler = std::function<void(uint32_t code, const std::vector<uint8_t>& payload)>;

    // Registers with the host object's log. Null when the host object keeps no log.
    static platform::ComPtr<HostMessageObserver> Attach(IUnknown* hostObject, Handler handler);

    HostMessageObserver(const HostMessageObserver&) = delete;
    HostMessageObserver& operator=(const HostMessageObserver&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // Passes the message to the handler (when still attached). S_OK.
    HRESULT Receive(IZORMessage* message) override;

    // Stops the calls and unregisters from the log. NOTE: the log holds one observer, so the
    // window attached last is the one told; detaching clears the log's observer whichever it is.
    void Detach();

private:
    HostMessageObserver(IHostMessageLog* log, Handler handler);
    ~HostMessageObserver() = default;

    std::atomic<int32_t> refs_{0};
    platform::ComPtr<IHostMessageLog> log_;
    Handler handler_;
};

}  // namespace Velogram
