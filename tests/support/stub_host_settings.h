// A host settings object for tests: named booleans, S_FALSE for a key it does not know, and a
// switch that makes every question fail. Heap object, deleted by its last Release.
#pragma once

#include <atomic>
#include <map>
#include <string>

#include "interfaces/host_settings.h"
#include "platform/com_ptr.h"

namespace TestSupport {

class StubHostSettings final : public IHostSettings {
public:
    static platform::ComPtr<StubHostSettings> Create();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetBool(IAutoKVIString* key, VARIANT_BOOL* out) override;
    HRESULT SetBool(IAutoKVIString* key, VARIANT_BOOL value) override;

    void Set(const std::u16string& key, bool value) { values_[key] = value; }
    void Forget(const std::u16string& key) { values_.erase(key); }
    void SetFailing(bool failing) { failing_ = failing; }
    int Questions() const { return questions_; }

private:
    StubHostSettings() = default;
    ~StubHostSettings() = default;

    std::atomic<int32_t> refs_{0};
    std::map<std::u16string, bool> values_;
    bool failing_ = false;
    int questions_ = 0;
};

}  // namespace TestSupport
