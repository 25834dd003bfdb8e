#include "host/zor/channel_site.h"

#include <new>

#include "values/units/prefix_table.h"
#include "host/zor/host_application.h"
#include "host/zor/units_service.h"

namespace Zor {

platform::ComPtr<ChannelSite> ChannelSite::Create() { return platform::ComPtr<ChannelSite>(new ChannelSite); }

HRESULT ChannelSite::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ICalcSite) {
        *out = static_cast<ICalcSite*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t ChannelSite::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t ChannelSite::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT ChannelSite::CreateUnits(const ChannelDataFormat* format, IAutoKVIString* name, int32_t, int32_t,
                                 IUnitName** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!format) return E_INVALIDARG;
    try {
        KVI::UnitInfo unit;
        unit.prefix_ = KVI::IsPrefixIndex(format->prefix) ? format->prefix : KVI::kPrefixNone;
        unit.name_ = KVI::String(name);
        unit.flag_ = format->unitFlag != 0 ? 1 : 0;
        {
            std::lock_guard lock(mutex_);
            format_ = *format;
        }
        *out = NewUnitName(unit);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ChannelSite::SettingsChanged(int32_t, int32_t, uint32_t flags, IUnknown*)
{
    lastFlags_ = flags;
    ++changes_;
    return S_OK;
}

HRESULT ChannelSite::GetHostObject(IUnknown** out)
{
    if (!out) return E_POINTER;
    return HostApplication::Instance()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out));
}

std::optional<ChannelDataFormat> ChannelSite::LastFormat() const
{
    std::lock_guard lock(mutex_);
    return format_;
}

}  // namespace Zor
