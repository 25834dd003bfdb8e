// A small unit list for control tests: units kept as KVI::UnitInfo, an enumerator over a
// snapshot, a visible reference count and switches for a list that refuses units. Heap objects,
// deleted by their last Release.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "interfaces/unit_list.h"
#include "values/units/unit_info.h"
#include "platform/com_ptr.h"

namespace TestSupport {

class StubUnitList final : public IUnitList {
public:
    static platform::ComPtr<StubUnitList> Create(std::vector<KVI::UnitInfo> units = {});

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT GetCount(int32_t zero, int32_t* count) override;
    HRESULT GetEnumerator(int32_t zero, IEnumUnits** out) override;
    // Equal: same prefix index and name (the flag is not compared). E_FAIL when none.
    HRESULT IndexOf(int32_t zero, IUnitName* unit, int32_t* index) override;
    HRESULT GetAt(int32_t zero, int32_t index, IUnitName** out) override;
    // Appends; E_FAIL when refusing.
    HRESULT Add(int32_t zero, IUnitName* unit, int32_t* index) override;
    HRESULT Remove(int32_t zero, IUnitName* unit) override;

    int32_t RefCount() const { return refs_.load(); }
    std::vector<KVI::UnitInfo>& Units() { return units_; }
    void SetRefuseAdd(bool refuse) { refuseAdd_ = refuse; }
    int AddCalls() const { return addCalls_; }
    // Next calls made by enumerators of this list, and the sizes they asked for.
    const std::vector<uint32_t>& NextRequests() const { return nextRequests_; }

private:
    StubUnitList() = default;
    ~StubUnitList() = default;
    class Enumerator;

    std::atomic<int32_t> refs_{0};
    std::vector<KVI::UnitInfo> units_;
    bool refuseAdd_ = false;
    int addCalls_ = 0;
    std::vector<uint32_t> nextRequests_;
};

}  // namespace TestSupport
