// Zor::MessageService and Zor::ZorMessage: the framework's message service (IMessageService,
// interfaces/message_service.h), a service object of the object factory under type
// kMessageServiceTypeId, and the messages it builds.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "interfaces/message_service.h"

namespace Zor {

class ZorMessage final : public IZORMessage {
public:
    ZorMessage(uint32_t code, uint32_t flags, std::vector<uint8_t> payload)
        : code_(code), flags_(flags), payload_(std::move(payload))
    {
    }
    ZorMessage(const ZorMessage&) = delete;
    ZorMessage& operator=(const ZorMessage&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT GetCode(uint32_t* out) override;
    HRESULT GetFlags(uint32_t* out) override;
    HRESULT GetPayload(const uint8_t** data, uint32_t* size) override;
    HRESULT SendTo(IUnknown* receiver) override;

private:
    ~ZorMessage() = default;

    std::atomic<int32_t> refs_{0};
    const uint32_t code_;
    const uint32_t flags_;
    const std::vector<uint8_t> payload_;
};

class MessageService final : public IMessageService {
public:
    // The framework's one service object (immortal).
    static MessageService* Instance();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    HRESULT CreateMessage(uint32_t code, uint32_t flags, int32_t reserved1, int32_t reserved2, int32_t reserved3,
                          const MessagePayload* payload, IZORMessage** out) override;

private:
    MessageService() = default;
    ~MessageService() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Zor
