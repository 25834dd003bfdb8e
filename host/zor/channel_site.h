// Zor::ChannelSite: the site that the host gives each calculation it creates (ICalcSite,
// interfaces/calc_site.h). It builds the units objects the calculation asks for, hands
// out the host object, and records what the calculation reports: the data format it last
// asked units for, and its settings-changed notifications. Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "interfaces/calc_site.h"
#include "platform/com_ptr.h"

namespace Zor {

class ChannelSite final : public ICalcSite {
public:
    static platform::ComPtr<ChannelSite> Create();

    ChannelSite(const ChannelSite&) = delete;
    ChannelSite& operator=(const ChannelSite&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT Reserved3() override { return E_NOTIMPL; }
    // A new units object with the format's prefix index (1 when it is none of 0..14), the
    // name and the flag 1 when the format's unit flag is set. The format is recorded.
    HRESULT CreateUnits(const ChannelDataFormat* format, IAutoKVIString* name, int32_t zero1, int32_t zero2,
                        IUnitName** out) override;
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    // Recorded and counted; S_OK.
    HRESULT SettingsChanged(int32_t channel, int32_t second, uint32_t flags, IUnknown* baseNotify) override;
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    // The framework's host object (host_application.h).
    HRESULT GetHostObject(IUnknown** out) override;

    // What was recorded.
    std::optional<ChannelDataFormat> LastFormat() const;
    int32_t SettingsChangedCount() const { return changes_.load(); }
    uint32_t LastChangeFlags() const { return lastFlags_.load(); }

private:
    ChannelSite() = default;
    ~ChannelSite() = default;

    std::atomic<int32_t> refs_{0};
    std::atomic<int32_t> changes_{0};
    std::atomic<uint32_t> lastFlags_{0};
    mutable std::mutex mutex_;
    std::optional<ChannelDataFormat> format_;
};

}  // namespace Zor
