// Zor::HostApplication: the host object that calculations get from their sites
// (IHostApplication, interfaces/calc_site.h). It also receives the messages that
// components send the host (IZORMessageSink) and keeps them in a log (IHostMessageLog), which the
// host window watches and tests read. Thread-safe; one per process, never freed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "interfaces/calc_site.h"
#include "interfaces/message_service.h"
#include "platform/com_ptr.h"

namespace Zor {

class HostApplication final : public IHostApplication, public IZORMessageSink, public IHostMessageLog {
public:
    static HostApplication* Instance();

    // IUnknown (all interfaces): IUnknown and IHostApplication give the IHostApplication
    // pointer; IZORMessageSink and IHostMessageLog their own.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IHostApplication.
    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    // Counts the requests; S_OK.
    HRESULT DataFormatRequested(int32_t zero, int32_t first, int32_t sixth) override;

    // IZORMessageSink: logs the message (one reference kept) and tells the observer.
    HRESULT Receive(IZORMessage* message) override;

    // IHostMessageLog.
    HRESULT GetMessageCount(int32_t* out) override;
    HRESULT GetMessageAt(int32_t index, IZORMessage** out) override;
    HRESULT ClearMessages() override;
    HRESULT SetObserver(IZORMessageSink* observer) override;

    int64_t DataFormatRequests() const { return dataFormatRequests_.load(); }

private:
    HostApplication() = default;
    ~HostApplication() = default;

    std::atomic<int32_t> refs_{1};
    std::atomic<int64_t> dataFormatRequests_{0};
    std::mutex mutex_;
    std::vector<platform::ComPtr<IZORMessage>> messages_;
    platform::ComPtr<IZORMessageSink> observer_;
};

}  // namespace Zor
