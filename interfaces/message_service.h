// The framework's message service and the messages it builds. A component that has something to
// tell the host (the calibration dialog after OK: "channel N changed, redraw it") has the service
// build a message and hands the message to the receiving host object:
//
//   IMessageService* service;  // object factory, GetService(kMessageServiceTypeId, IID_IMessageService)
//   service->CreateMessage(code, flags, 0, 0, 0, &payload, &message);
//   message->SendTo(receiver);  // receiver: the host object the caller was given
//
// The receiving host object answers IZORMessageSink. The host keeps what it receives in a log
// (IHostMessageLog) that the host window and tests read.
#pragma once

#include <cstdint>

#include "platform/unknown.h"

// The message service is a service object of the object factory under this type identifier
// (a fixed value, not one the registry assigns).
constexpr uint32_t kMessageServiceTypeId = 0x80000007u;
constexpr IID IID_IMessageService = platform::Guid("{3AEB28D2-CF32-11D1-B2EC-00600894D72A}");

// IIDs chosen by this system (the framework's are not known to it).
constexpr IID IID_IZORMessage = platform::Guid("{6CC592E8-1CF0-4B64-B0E7-792DB6E3D3E0}");
constexpr IID IID_IZORMessageSink = platform::Guid("{1B463EB4-69EE-466E-8A95-E83C1DC5AA38}");
constexpr IID IID_IHostMessageLog = platform::Guid("{B42A7864-C40D-4027-A2BC-EE5D4C9154B9}");

// The bytes a message carries. The sender lays its values out one after the other in their
// in-memory form, without padding (for the channel-changed message of the calibration dialog:
// int32 channel, double 32000.0, double -32000.0, 20 bytes).
struct MessagePayload {
    const void* data = nullptr;
    uint32_t size = 0;
};

struct IZORMessageSink;

struct IZORMessage : IUnknown {
    virtual HRESULT GetCode(uint32_t* out) = 0;   // 3
    virtual HRESULT GetFlags(uint32_t* out) = 0;  // 4
    // [out] data: the message's own copy of the payload, valid while the message lives (null
    // when empty); size in bytes.
    virtual HRESULT GetPayload(const uint8_t** data, uint32_t* size) = 0;  // 5
    // Delivers the message to a host object: queries it for IZORMessageSink and calls Receive.
    // E_INVALIDARG for a null receiver, E_NOINTERFACE when it takes no messages; else the
    // receiver's result.
    virtual HRESULT SendTo(IUnknown* receiver) = 0;  // 6

protected:
    ~IZORMessage() = default;
};

struct IZORMessageSink : IUnknown {
    // [in] message: the receiver takes a reference when it keeps it.
    virtual HRESULT Receive(IZORMessage* message) = 0;  // 3

protected:
    ~IZORMessageSink() = default;
};

struct IMessageService : IUnknown {
    virtual HRESULT Reserved3() = 0;  // 3
    virtual HRESULT Reserved4() = 0;  // 4
    virtual HRESULT Reserved5() = 0;  // 5
    virtual HRESULT Reserved6() = 0;  // 6
    virtual HRESULT Reserved7() = 0;  // 7
    virtual HRESULT Reserved8() = 0;  // 8
    // Builds a message. [in] code, flags: what the message means to its receiver; reserved1 to
    // reserved3: 0; payload: copied into the message (null: none). [out] the new message, one
    // reference held by the caller. E_POINTER for a null out-pointer, E_INVALIDARG for a
    // payload with a size but no data.
    virtual HRESULT CreateMessage(uint32_t code, uint32_t flags, int32_t reserved1, int32_t reserved2,
                                  int32_t reserved3, const MessagePayload* payload, IZORMessage** out) = 0;  // 9

protected:
    ~IMessageService() = default;
};

// The receiving host object's log of the messages it was sent, oldest first.
struct IHostMessageLog : IUnknown {
    virtual HRESULT GetMessageCount(int32_t* out) = 0;  // 3
    // [out] the message at index, reference added. E_INVALIDARG outside 0..count-1.
    virtual HRESULT GetMessageAt(int32_t index, IZORMessage** out) = 0;  // 4
    virtual HRESULT ClearMessages() = 0;                                  // 5
    // [in] observer: told of every message the host object receives from now on (after it
    // is logged), on the sender's thread; null stops telling. The log holds one reference.
    virtual HRESULT SetObserver(IZORMessageSink* observer) = 0;  // 6

protected:
    ~IHostMessageLog() = default;
};
