// Zor::UnitList: the host's unit list (IUnitList, interfaces/unit_list.h): the units a
// user may pick, a default set plus the units users and calculations add, kept in the user's
// units file (units_file.h) and written back after every change.
//
// Indices: removing a unit leaves a hole at its index instead of moving the units after it, so
// a caller that noted several indices can fetch (GetAt) and remove (Remove) them one by one in
// any order; the Delete Unit dialog relies on that. The holes close, and the indices after them
// move down, at the next GetCount, GetEnumerator, IndexOf or Add: the operations with which a
// caller reads the list afresh.
//
// Thread-safe: every operation takes the list's lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/unit_list.h"
#include "values/units/unit_info.h"
#include "host/zor/units_file.h"
#include "platform/com_ptr.h"

namespace Zor {

class UnitList final : public IUnitList {
public:
    // A list kept in the file at path (empty: not kept). Reads the file now: a missing file
    // gives the default units, a damaged one the default units and Problem().
    static platform::ComPtr<UnitList> Create(std::string path);
    // The framework's list, kept in UnitsFile::DefaultPath(); made on first use.
    static UnitList* Instance();
    // The units a new user starts with.
    static std::vector<KVI::UnitInfo> DefaultUnits();

    UnitList(const UnitList&) = delete;
    UnitList& operator=(const UnitList&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IUnitList. The first argument is always 0 and not looked at. Null out-pointers give
    // E_POINTER.
    HRESULT GetCount(int32_t zero, int32_t* count) override;
    // A snapshot: later changes do not reach an enumerator already handed out.
    HRESULT GetEnumerator(int32_t zero, IEnumUnits** out) override;
    // E_FAIL (index -1) when no unit is the same (SameUnit, units_service.h).
    HRESULT IndexOf(int32_t zero, IUnitName* unit, int32_t* index) override;
    // A copy of the unit: changing it does not change the list. E_INVALIDARG for an index
    // outside the list or of a unit removed since the list was last read.
    HRESULT GetAt(int32_t zero, int32_t index, IUnitName** out) override;
    // S_OK and the new unit's index; S_FALSE and the index of the same unit when it is there
    // already. E_INVALIDARG (refused) for a name that cannot be kept (UnitsFile::IsStorableName)
    // or a prefix index outside 0..14. A unit that cannot be written to the file stays in the
    // list for this run; Problem() says why.
    HRESULT Add(int32_t zero, IUnitName* unit, int32_t* index) override;
    // Removes the first unit that is the same. S_FALSE when there is none.
    HRESULT Remove(int32_t zero, IUnitName* unit) override;

    // What went wrong with the units file (reading or the last write); empty when nothing.
    std::string Problem() const;

private:
    explicit UnitList(std::string path);
    ~UnitList() = default;

    void CompactLocked();
    int32_t FindLocked(const KVI::UnitInfo& unit) const;
    void SaveLocked();

    std::atomic<int32_t> refs_{0};
    mutable std::mutex mutex_;
    UnitsFile file_;
    std::vector<std::optional<KVI::UnitInfo>> units_;  // nullopt: removed, index kept
    std::string problem_;
};

}  // namespace Zor
