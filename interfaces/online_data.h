// Online sampling events of the host: IOnlineDataSink receives them (the host calls a sink
// while it records), IVelloDataObservers registers sinks with a data source that relays them.
//
// Slots with Reserved names are the host's; this system does not call them. Slot numbers are
// in the comments (IUnknown's three count as 0 to 2).
#pragma once

#include <cstdint>

#include "platform/unknown.h"

// IIDs chosen by this system.
constexpr IID IID_IOnlineDataSinkBase = platform::Guid("{5C8E21B7-94AF-4D63-B0D2-7A1E3F58C946}");
constexpr IID IID_IOnlineDataSink = platform::Guid("{B47A03D9-1E6C-4F25-8D93-C5F0A2E6718B}");
constexpr IID IID_IVelloDataObservers = platform::Guid("{0F9D6E42-A7B1-4C38-95E0-D3284B7C61FA}");

struct IOnlineDataSinkBase : IUnknown {
    // The recording's set-up changed (channels, rates) before sampling.
    virtual HRESULT OnSetupChanged(uint32_t flags) = 0;  // 3
    // Sampling is about to start.
    virtual HRESULT OnPrepareSampling(uint32_t flags) = 0;  // 4
    // Sampling started.
    virtual HRESULT OnStartSampling(uint32_t flags) = 0;  // 5
    // [in] newSamples: samples added since the previous call (negative when samples went).
    virtual HRESULT OnNewData(int32_t newSamples) = 0;  // 6
    // Sampling stopped. [out] result: the sink's answer, a set of bits (may be null).
    virtual HRESULT OnStopSampling(uint32_t flags, uint32_t* result) = 0;  // 7
    // A block started or ended during sampling.
    virtual HRESULT OnBlockStart(int32_t block) = 0;  // 8
    virtual HRESULT OnBlockEnd(int32_t block) = 0;    // 9

protected:
    ~IOnlineDataSinkBase() = default;
};

struct IOnlineDataSink : IOnlineDataSinkBase {
    virtual HRESULT Reserved10() = 0;  // 10
    virtual HRESULT Reserved11() = 0;  // 11
    virtual HRESULT Reserved12() = 0;  // 12
    virtual HRESULT Reserved13() = 0;  // 13
    // [out] how often, in milliseconds, the sink wants new-data calls during sampling.
    virtual HRESULT GetUpdateInterval(uint32_t flags, int32_t* milliseconds) = 0;  // 14

protected:
    ~IOnlineDataSink() = default;
};

struct IVelloDataObservers : IUnknown {
    // Appends the sink with a reference; the same sink may be added twice. E_POINTER for null.
    virtual HRESULT AddOnlineSink(IOnlineDataSink* sink) = 0;  // 3
    // Removes the first entry equal to the sink and releases it; E_FAIL when absent.
    virtual HRESULT RemoveOnlineSink(IOnlineDataSink* sink) = 0;  // 4
    virtual HRESULT Reserved5() = 0;                              // 5
    virtual HRESULT Reserved6() = 0;                              // 6

protected:
    ~IVelloDataObservers() = default;
};
