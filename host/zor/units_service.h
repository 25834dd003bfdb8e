// Zor::UnitsService: the framework's units service (IUnitsService, unit_list.h), a service object
// of the object factory that builds unit objects; and the helpers with which the framework moves
// units between unit objects and KVI::UnitInfo.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/unit_list.h"
#include "values/units/unit_info.h"
#include "platform/com_ptr.h"

namespace Zor {

// Reads a unit object's prefix index, name (without prefix) and flag. E_POINTER for null
// arguments; the object's failure otherwise (unit untouched).
HRESULT UnitInfoOf(IUnitName* unit, KVI::UnitInfo* info);
// A new unit object (KVI::UnitEntry) carrying info, one reference held by the caller.
IUnitName* NewUnitName(const KVI::UnitInfo& info);
// Units are the same when their prefix indices (1 counted as 8), names and flags are equal, or
// when both names are empty.
bool SameUnit(const KVI::UnitInfo& a, const KVI::UnitInfo& b);

class UnitsService final : public IUnitsService {
public:
    // The framework's one service object (immortal).
    static UnitsService* Instance();

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
    HRESULT Reserved9() override { return E_NOTIMPL; }
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return E_NOTIMPL; }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT Reserved14() override { return E_NOTIMPL; }
    HRESULT Reserved15() override { return E_NOTIMPL; }
    HRESULT Reserved16() override { return E_NOTIMPL; }
    // A new unit object. E_INVALIDARG for a prefix index outside 0..14, E_POINTER for a null
    // out-pointer; a null name gives the empty name; any non-zero flag is stored as 1.
    HRESULT CreateUnit(int32_t prefix, IAutoKVIString* name, int32_t flag, IUnitName** out) override;

private:
    UnitsService() = default;
    ~UnitsService() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Zor
