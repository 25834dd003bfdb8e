#include "tests/support/stub_unit_list.h"

#include <algorithm>

#include "values/units/unit_entry.h"

namespace TestSupport {
namespace {

KVI::UnitInfo ReadInfo(IUnitName* unit)
{
    KVI::UnitInfo info;
    unit->GetFlag(&info.flag_);
    unit->GetPrefix(&info.prefix_);
    IAutoKVIString* name = nullptr;
    if (SUCCEEDED(unit->GetText(0, &name))) {
        info.name_ = KVI::String(name);
        if (name) name->Release();
    }
    return info;
}

IUnitName* NewUnit(const KVI::UnitInfo& info)
{
    IUnitName* unit = new KVI::UnitEntry(info);
    unit->AddRef();
    return unit;
}

}  // namespace

class StubUnitList::Enumerator final : public IEnumUnits {
public:
    Enumerator(StubUnitList* list) : list_(list), units_(list->units_) {}

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumUnits) return E_NOINTERFACE;
        *out = static_cast<IEnumUnits*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return uint32_t(++refs_); }
    uint32_t Release() override
    {
        const int32_t left = --refs_;
        if (left == 0) delete this;
        return uint32_t(left);
    }
    HRESULT Next(uint32_t requested, IUnitName** units, uint32_t* delivered) override
    {
        if (!units || !delivered) return E_POINTER;
        list_->nextRequests_.push_back(requested);
        uint32_t n = 0;
        while (n < requested && next_ < units_.size()) units[n++] = NewUnit(units_[next_++]);
        *delivered = n;
        return n == requested ? S_OK : S_FALSE;
    }

private:
    std::atomic<int32_t> refs_{0};
    platform::ComPtr<StubUnitList> list_;
    std::vector<KVI::UnitInfo> units_;
    size_t next_ = 0;
};

platform::ComPtr<StubUnitList> StubUnitList::Create(std::vector<KVI::UnitInfo> units)
{
    auto* list = new StubUnitList;
    list->units_ = std::move(units);
    return platform::ComPtr<StubUnitList>(list);
}

HRESULT StubUnitList::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IUnitList) return E_NOINTERFACE;
    *out = static_cast<IUnitList*>(this);
    AddRef();
    return S_OK;
}

uint32_t StubUnitList::AddRef()
{
    return uint32_t(++refs_);
}

uint32_t StubUnitList::Release()
{
    const int32_t left = --refs_;
    if (left == 0) delete this;
    return uint32_t(left);
}

HRESULT StubUnitList::GetCount(int32_t, int32_t* count)
{
    if (!count) return E_POINTER;
    *count = int32_t(units_.size());
    return S_OK;
}

HRESULT StubUnitList::GetEnumerator(int32_t, IEnumUnits** out)
{
    if (!out) return E_POINTER;
    *out = new Enumerator(this);
    (*out)->AddRef();
    return S_OK;
}

HRESULT StubUnitList::IndexOf(int32_t, IUnitName* unit, int32_t* index)
{
    if (!unit || !index) return E_POINTER;
    const KVI::UnitInfo wanted = ReadInfo(unit);
    const auto it = std::find_if(units_.begin(), units_.end(), [&](const KVI::UnitInfo& u) {
        return u.prefix_ == wanted.prefix_ && u.name_ == wanted.name_;
    });
    if (it == units_.end()) return E_FAIL;
    *index = int32_t(it - units_.begin());
    return S_OK;
}

HRESULT StubUnitList::GetAt(int32_t, int32_t index, IUnitName** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index < 0 || size_t(index) >= units_.size()) return E_INVALIDARG;
    *out = NewUnit(units_[size_t(index)]);
    return S_OK;
}

HRESULT StubUnitList::Add(int32_t, IUnitName* unit, int32_t* index)
{
    ++addCalls_;
    if (!unit) return E_POINTER;
    if (refuseAdd_) return E_FAIL;
    units_.push_back(ReadInfo(unit));
    if (index) *index = int32_t(units_.size()) - 1;
    return S_OK;
}

HRESULT StubUnitList::Remove(int32_t, IUnitName* unit)
{
    int32_t index = -1;
    if (FAILED(IndexOf(0, unit, &index))) return E_FAIL;
    units_.erase(units_.begin() + index);
    return S_OK;
}

}  // namespace TestSupport
