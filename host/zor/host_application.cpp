#include "host/zor/host_application.h"

#include <new>

namespace Zor {

HostApplication* HostApplication::Instance()
{
    static HostApplication* const app = new HostApplication;
    return app;
}

HRESULT HostApplication::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IHostApplication) {
        *out = static_cast<IHostApplication*>(this);
    } else if (iid == IID_IZORMessageSink) {
        *out = static_cast<IZORMessageSink*>(this);
    } else if (iid == IID_IHostMessageLog) {
        *out = static_cast<IHostMessageLog*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t HostApplication::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t HostApplication::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT HostApplication::DataFormatRequested(int32_t, int32_t, int32_t)
{
    ++dataFormatRequests_;
    return S_OK;
}

HRESULT HostApplication::Receive(IZORMessage* message)
{
    if (!message) return E_INVALIDARG;
    platform::ComPtr<IZORMessageSink> observer;
    try {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(message);
        observer = observer_;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // Outside the lock: the observer may read the log.
    if (observer) observer->Receive(message);
    return S_OK;
}

HRESULT HostApplication::GetMessageCount(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = static_cast<int32_t>(messages_.size());
    return S_OK;
}

HRESULT HostApplication::GetMessageAt(int32_t index, IZORMessage** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= messages_.size()) return E_INVALIDARG;
    platform::ComPtr<IZORMessage> copy = messages_[static_cast<size_t>(index)];
    *out = copy.Detach();
    return S_OK;
}

HRESULT HostApplication::ClearMessages()
{
    std::vector<platform::ComPtr<IZORMessage>> old;
    {
        std::lock_guard lock(mutex_);
        old.swap(messages_);
    }
    return S_OK;
}

HRESULT HostApplication::SetObserver(IZORMessageSink* observer)
{
    platform::ComPtr<IZORMessageSink> old;
    {
        std::lock_guard lock(mutex_);
        old = std::move(observer_);
        observer_ = platform::ComPtr<IZORMessageSink>(observer);
    }
    return S_OK;
}

}  // namespace Zor
