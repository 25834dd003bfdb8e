#include "host/zor/message_service.h"

#include <new>

#include "platform/com_ptr.h"

namespace Zor {

HRESULT ZorMessage::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IZORMessage) {
        *out = static_cast<IZORMessage*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t ZorMessage::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t ZorMessage::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT ZorMessage::GetCode(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = code_;
    return S_OK;
}

HRESULT ZorMessage::GetFlags(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = flags_;
    return S_OK;
}

HRESULT ZorMessage::GetPayload(const uint8_t** data, uint32_t* size)
{
    if (!data || !size) return E_POINTER;
    *data = payload_.empty() ? nullptr : payload_.data();
    *size = static_cast<uint32_t>(payload_.size());
    return S_OK;
}

HRESULT ZorMessage::SendTo(IUnknown* receiver)
{
    if (!receiver) return E_INVALIDARG;
    platform::ComPtr<IZORMessageSink> sink;
    const HRESULT hr = receiver->QueryInterface(IID_IZORMessageSink, sink.PutVoid());
    if (FAILED(hr) || !sink) return E_NOINTERFACE;
    return sink->Receive(this);
}

MessageService* MessageService::Instance()
{
    static MessageService* const service = new MessageService;
    return service;
}

HRESULT MessageService::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMessageService) {
        *out = static_cast<IMessageService*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t MessageService::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t MessageService::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT MessageService::CreateMessage(uint32_t code, uint32_t flags, int32_t, int32_t, int32_t,
                                      const MessagePayload* payload, IZORMessage** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (payload && payload->size && !payload->data) return E_INVALIDARG;
    try {
        std::vector<uint8_t> bytes;
        if (payload && payload->size) {
            const auto* p = static_cast<const uint8_t*>(payload->data);
            bytes.assign(p, p + payload->size);
        }
        auto* message = new ZorMessage(code, flags, std::move(bytes));
        message->AddRef();
        *out = message;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace Zor
