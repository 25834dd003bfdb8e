#include "host/zor/unit_list.h"

#include <cstdio>
#include <new>

#include "values/units/prefix_table.h"
#include "host/zor/units_service.h"

namespace Zor {
namespace {

KVI::UnitInfo Unit(int32_t prefix, const char16_t* name)
{
    KVI::UnitInfo u;
    u.prefix_ = prefix;
    u.name_ = KVI::String(name);
    return u;
}

// A snapshot of the list for IUnitList::GetEnumerator.
class EnumUnits final : public IEnumUnits {
public:
    explicit EnumUnits(std::vector<KVI::UnitInfo> units) : units_(std::move(units)) {}

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IEnumUnits) {
            *out = static_cast<IEnumUnits*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override
    {
        const int32_t n = --refs_;
        if (n == 0) delete this;
        return static_cast<uint32_t>(n);
    }

    HRESULT Next(uint32_t requested, IUnitName** units, uint32_t* delivered) override
    {
        if (delivered) *delivered = 0;
        if (requested == 0) return S_OK;
        if (!units) return E_POINTER;
        uint32_t n = 0;
        try {
            for (; n < requested && next_ < units_.size(); ++n, ++next_) units[n] = NewUnitName(units_[next_]);
        } catch (const std::bad_alloc&) {
            for (uint32_t i = 0; i < n; ++i) units[i]->Release();
            return E_OUTOFMEMORY;
        }
        if (delivered) *delivered = n;
        return n == requested ? S_OK : S_FALSE;
    }

private:
    ~EnumUnits() = default;

    std::atomic<int32_t> refs_{0};
    std::vector<KVI::UnitInfo> units_;
    size_t next_ = 0;
};

}  // namespace

std::vector<KVI::UnitInfo> UnitList::DefaultUnits()
{
    using KVI::kPrefixPlain;
    return {
        Unit(kPrefixPlain, u"V"),    Unit(7, u"V"),           Unit(6, u"V"),         Unit(kPrefixPlain, u"A"),
        Unit(7, u"A"),               Unit(kPrefixPlain, u"Hz"), Unit(9, u"Hz"),      Unit(kPrefixPlain, u"Pa"),
        Unit(9, u"Pa"),              Unit(kPrefixPlain, u"mmHg"), Unit(kPrefixPlain, u"cmH2O"),
        Unit(kPrefixPlain, u"N"),    Unit(kPrefixPlain, u"g"),  Unit(9, u"g"),       Unit(kPrefixPlain, u"m"),
        Unit(7, u"m"),               Unit(kPrefixPlain, u"L"),  Unit(kPrefixPlain, u"L/s"),
        Unit(kPrefixPlain, u"L/min"), Unit(kPrefixPlain, u"Ohms"), Unit(kPrefixPlain, u"\u00B0C"),
        Unit(kPrefixPlain, u"%"),    Unit(kPrefixPlain, u"s"),  Unit(7, u"s"),
    };
}

platform::ComPtr<UnitList> UnitList::Create(std::string path)
{
    return platform::ComPtr<UnitList>(new UnitList(std::move(path)));
}

UnitList* UnitList::Instance()
{
    // Immortal: modules may still hold it while the process exits.
    static UnitList* const list = [] {
        auto* l = new UnitList(UnitsFile::DefaultPath());
        l->AddRef();
        return l;
    }();
    return list;
}

UnitList::UnitList(std::string path) : file_(std::move(path))
{
    std::vector<KVI::UnitInfo> units;
    if (file_.Load(&units, &problem_) != UnitsFile::Status::kLoaded) units = DefaultUnits();
    if (!problem_.empty()) std::fprintf(stderr, "units: %s; using the default units\n", problem_.c_str());
    units_.assign(units.begin(), units.end());
}

HRESULT UnitList::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUnitList) {
        *out = static_cast<IUnitList*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t UnitList::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t UnitList::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

void UnitList::CompactLocked() { std::erase_if(units_, [](const auto& u) { return !u.has_value(); }); }

int32_t UnitList::FindLocked(const KVI::UnitInfo& unit) const
{
    for (size_t i = 0; i < units_.size(); ++i)
        if (units_[i] && SameUnit(*units_[i], unit)) return static_cast<int32_t>(i);
    return -1;
}

void UnitList::SaveLocked()
{
    std::vector<KVI::UnitInfo> live;
    for (const auto& u : units_)
        if (u) live.push_back(*u);
    std::string why;
    if (file_.Save(live, &why)) return;
    problem_ = why;
    std::fprintf(stderr, "units: %s\n", why.c_str());
}

HRESULT UnitList::GetCount(int32_t, int32_t* count)
{
    if (!count) return E_POINTER;
    std::lock_guard lock(mutex_);
    CompactLocked();
    *count = static_cast<int32_t>(units_.size());
    return S_OK;
}

HRESULT UnitList::GetEnumerator(int32_t, IEnumUnits** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::vector<KVI::UnitInfo> snapshot;
        {
            std::lock_guard lock(mutex_);
            CompactLocked();
            for (const auto& u : units_) snapshot.push_back(*u);
        }
        auto* e = new EnumUnits(std::move(snapshot));
        e->AddRef();
        *out = e;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnitList::IndexOf(int32_t, IUnitName* unit, int32_t* index)
{
    if (!index) return E_POINTER;
    *index = -1;
    KVI::UnitInfo info;
    const HRESULT hr = UnitInfoOf(unit, &info);
    if (FAILED(hr)) return hr;
    std::lock_guard lock(mutex_);
    CompactLocked();
    *index = FindLocked(info);
    return *index < 0 ? E_FAIL : S_OK;
}

HRESULT UnitList::GetAt(int32_t, int32_t index, IUnitName** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= units_.size() || !units_[static_cast<size_t>(index)])
        return E_INVALIDARG;
    try {
        *out = NewUnitName(*units_[static_cast<size_t>(index)]);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnitList::Add(int32_t, IUnitName* unit, int32_t* index)
{
    if (index) *index = -1;
    KVI::UnitInfo info;
    const HRESULT hr = UnitInfoOf(unit, &info);
    if (FAILED(hr)) return hr;
    if (!UnitsFile::IsStorableName(info.name_) || !KVI::IsPrefixIndex(info.prefix_)) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    CompactLocked();
    const int32_t found = FindLocked(info);
    if (found >= 0) {
        if (index) *index = found;
        return S_FALSE;
    }
    try {
        units_.push_back(std::move(info));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (index) *index = static_cast<int32_t>(units_.size() - 1);
    SaveLocked();
    return S_OK;
}

HRESULT UnitList::Remove(int32_t, IUnitName* unit)
{
    KVI::UnitInfo info;
    const HRESULT hr = UnitInfoOf(unit, &info);
    if (FAILED(hr)) return hr;
    std::lock_guard lock(mutex_);
    const int32_t found = FindLocked(info);
    if (found < 0) return S_FALSE;
    units_[static_cast<size_t>(found)].reset();
    SaveLocked();
    return S_OK;
}

std::string UnitList::Problem() const
{
    std::lock_guard lock(mutex_);
    return problem_;
}

}  // namespace Zor
