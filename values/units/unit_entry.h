// KVI::UnitEntry: this system's unit object, handed to the host's unit list and units service
// through IUnitName and stored through IPersistObject. It carries one KVI::UnitInfo.
//
// Reference counting: a new entry has a count of 0; whoever creates it adds the first
// reference (Clone hands out an entry with a count of 1). The last Release deletes it.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/persist_object.h"
#include "interfaces/unit_name.h"
#include "values/units/unit_info.h"

namespace KVI {

class UnitEntry final : public IUnitName, public IPersistObject {
public:
    UnitEntry() = default;
    explicit UnitEntry(const UnitInfo& info) : info_(info) {}
    UnitEntry(const UnitEntry&) = delete;
    UnitEntry& operator=(const UnitEntry&) = delete;

    // IUnknown (both interfaces): IUnknown and IUnitName give the IUnitName pointer,
    // IPersistObject the IPersistObject one; anything else E_NOINTERFACE. E_POINTER for a null
    // out-pointer.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IUnitName, slots 3 to 9 (contracts in interfaces/unit_name.h).
    HRESULT GetPrefix(int32_t* out) override;
    HRESULT GetText(int32_t withPrefix, IAutoKVIString** out) override;
    HRESULT GetFlag(int32_t* out) override;
    HRESULT SetPrefix(int32_t prefix) override;
    HRESULT SetName(IAutoKVIString* name) override;
    HRESULT SetFlag(int32_t flag) override;
    HRESULT Clone(IUnitName** out) override;

    // IPersistObject: the stored form of a unit (ReadUnit / WriteUnit below).
    // Load: S_OK, or E_FAIL with the entry unchanged when a read fails.
    HRESULT Load(IObjectInStream* stream) override;
    HRESULT Save(IObjectOutStream* stream) override;
    // NOTE: unit entries are no registered class of the framework: E_NOTIMPL, *out = 0.
    HRESULT GetTypeId(uint32_t* out) override;

    const UnitInfo& Info() const { return info_; }
    void SetInfo(const UnitInfo& info) { info_ = info; }

    // The stored form of a unit, shared by unit entries and the calibration settings: the
    // prefix index (unsigned 32-bit), the name without prefix (string), the flag (unsigned
    // 32-bit). ReadUnit fills *unit only when all three reads succeed; S_OK or E_FAIL
    // (E_POINTER for null arguments). WriteUnit: S_OK, or E_FAIL at the first failed write.
    static HRESULT ReadUnit(IObjectInStream* stream, UnitInfo* unit);
    static HRESULT WriteUnit(IObjectOutStream* stream, const UnitInfo& unit);

private:
    ~UnitEntry() = default;

    std::atomic<int32_t> refs_{0};
    UnitInfo info_;
};

}  // namespace KVI
