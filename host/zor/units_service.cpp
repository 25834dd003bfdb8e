#include "host/zor/units_service.h"

#include <new>

#include "values/units/prefix_table.h"
#include "values/units/unit_entry.h"

namespace Zor {

HRESULT UnitInfoOf(IUnitName* unit, KVI::UnitInfo* info)
{
    if (!unit || !info) return E_POINTER;
    KVI::UnitInfo read;
    HRESULT hr = unit->GetPrefix(&read.prefix_);
    if (FAILED(hr)) return hr;
    hr = unit->GetFlag(&read.flag_);
    if (FAILED(hr)) return hr;
    IAutoKVIString* name = nullptr;
    hr = unit->GetText(0, &name);
    if (FAILED(hr)) return hr;
    read.name_ = KVI::String(name);
    if (name) name->Release();
    read.flag_ = read.flag_ ? 1 : 0;
    *info = std::move(read);
    return S_OK;
}

IUnitName* NewUnitName(const KVI::UnitInfo& info)
{
    auto* entry = new KVI::UnitEntry(info);
    entry->AddRef();
    return entry;
}

bool SameUnit(const KVI::UnitInfo& a, const KVI::UnitInfo& b)
{
    if (a.name_.IsEmpty() || b.name_.IsEmpty()) return a.name_.IsEmpty() && b.name_.IsEmpty();
    const auto plain = [](int32_t p) { return p == KVI::kPrefixNone ? KVI::kPrefixPlain : p; };
    return plain(a.prefix_) == plain(b.prefix_) && a.name_ == b.name_ && (a.flag_ != 0) == (b.flag_ != 0);
}

UnitsService* UnitsService::Instance()
{
    static UnitsService* const service = new UnitsService;
    return service;
}

HRESULT UnitsService::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUnitsService) {
        *out = static_cast<IUnitsService*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t UnitsService::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t UnitsService::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT UnitsService::CreateUnit(int32_t prefix, IAutoKVIString* name, int32_t flag, IUnitName** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!KVI::IsPrefixIndex(prefix)) return E_INVALIDARG;
    try {
        KVI::UnitInfo info;
        info.prefix_ = prefix;
        info.name_ = KVI::String(name);
        info.flag_ = flag ? 1 : 0;
        *out = NewUnitName(info);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace Zor
