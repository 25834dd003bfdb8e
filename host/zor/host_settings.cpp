#include "host/zor/host_settings.h"

#include <new>

#include "foundation/kvi_string.h"

namespace Zor {
namespace {

// Registry keys ignore case; only ASCII letters are folded, so no locale is involved.
std::u16string KeyOf(std::u16string_view key)
{
    std::u16string folded(key);
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return folded;
}

}  // namespace

HostSettings* HostSettings::Instance()
{
    static HostSettings* const settings = new HostSettings;
    return settings;
}

HostSettings::HostSettings() { values_[KeyOf(kApplicationVisibleKey)] = false; }

HRESULT HostSettings::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IHostSettings) {
        *out = static_cast<IHostSettings*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t HostSettings::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t HostSettings::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT HostSettings::GetBool(IAutoKVIString* key, VARIANT_BOOL* out)
{
    if (!out) return E_POINTER;
    *out = VARIANT_FALSE;
    const KVI::String name(key);
    if (name.IsEmpty()) return E_INVALIDARG;
    try {
        std::lock_guard lock(mutex_);
        const auto it = values_.find(KeyOf(name.View()));
        if (it == values_.end()) return S_FALSE;
        *out = it->second ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT HostSettings::SetBool(IAutoKVIString* key, VARIANT_BOOL value)
{
    const KVI::String name(key);
    if (name.IsEmpty()) return E_INVALIDARG;
    try {
        std::lock_guard lock(mutex_);
        values_[KeyOf(name.View())] = value != 0;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace Zor
