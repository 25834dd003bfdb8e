#include "host/velogram/host_message_observer.h"

namespace Velogram {

using platform::ComPtr;

ComPtr<HostMessageObserver> HostMessageObserver::Attach(IUnknown* hostObject, Handler handler)
{
    ComPtr<IHostMessageLog> log;
    if (!hostObject || FAILED(hostObject->QueryInterface(IID_IHostMessageLog, log.PutVoid())) || !log) return nullptr;
    ComPtr<HostMessageObserver> observer(new HostMessageObserver(log.Get(), std::move(handler)));
    if (FAILED(log->SetObserver(observer.Get()))) return nullptr;
    return observer;
}

HostMessageObserver::HostMessageObserver(IHostMessageLog* log, Handler handler)
    : log_(log), handler_(std::move(handler))
{
}

HRESULT HostMessageObserver::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IZORMessageSink) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IZORMessageSink*>(this);
    AddRef();
    return S_OK;
}

uint32_t HostMessageObserver::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t HostMessageObserver::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT HostMessageObserver::Receive(IZORMessage* message)
{
    if (!message || !handler_) return S_OK;
    uint32_t code = 0;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    message->GetCode(&code);
    message->GetPayload(&data, &size);
    const std::vector<uint8_t> payload(data, data + (data ? size : 0));
    // A copy: the handler may detach this observer.
    const Handler handler = handler_;
    handler(code, payload);
    return S_OK;
}

void HostMessageObserver::Detach()
{
    handler_ = nullptr;
    if (!log_) return;
    const ComPtr<IHostMessageLog> log = std::move(log_);
    log->SetObserver(nullptr);
}

}  // namespace Velogram
