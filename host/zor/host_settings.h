// Zor::HostSettings: the host's settings object (IHostSettings, interfaces/host_settings.h),
// a service object of the object factory. It knows kApplicationVisibleKey from the start (false
// until the host's window says otherwise) and any key set since. Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "interfaces/host_settings.h"

namespace Zor {

class HostSettings final : public IHostSettings {
public:
    // The framework's one settings object (immortal).
    static HostSettings* Instance();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT GetBool(IAutoKVIString* key, VARIANT_BOOL* out) override;
    HRESULT SetBool(IAutoKVIString* key, VARIANT_BOOL value) override;

private:
    HostSettings();
    ~HostSettings() = default;

    std::atomic<int32_t> refs_{1};
    std::mutex mutex_;
    std::map<std::u16string, bool> values_;  // keys in ASCII lower case
};

}  // namespace Zor
