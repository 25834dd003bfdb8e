#include "tests/support/fake_host_document.h"

#include "interfaces/enum_float_ex_defaults.h"

#include <algorithm>

#include "values/units/unit_entry.h"

namespace TestSupport {
namespace {

class VectorStream final : public IEnumFloatExDefaults {
public:
    VectorStream(std::vector<float> samples, std::vector<uint32_t>* chunks)
        : samples_(std::move(samples)), chunks_(chunks)
    {
    }

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumFloatEx) return E_NOINTERFACE;
        *out = static_cast<IEnumFloatEx*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override
    {
        const int32_t n = --refs_;
        if (n == 0) delete this;
        return static_cast<uint32_t>(n);
    }
    HRESULT Skip(int64_t count) override
    {
        position_ = std::clamp<int64_t>(position_ + count, 0, static_cast<int64_t>(samples_.size()));
        return S_OK;
    }
    HRESULT Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT GetPosition(int64_t* out) override
    {
        *out = position_;
        return S_OK;
    }
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override
    {
        if (chunks_) chunks_->push_back(count);
        const auto left = static_cast<int64_t>(samples_.size()) - position_;
        const auto n = static_cast<uint32_t>(std::min<int64_t>(count, left));
        std::copy_n(samples_.begin() + position_, n, buffer);
        position_ += n;
        if (returned) *returned = n;
        return n == count ? S_OK : S_FALSE;
    }

private:
    ~VectorStream() = default;

    std::atomic<int32_t> refs_{0};
    std::vector<float> samples_;
    std::vector<uint32_t>* chunks_;
    int64_t position_ = 0;
};

template <class I>
HRESULT Hand(I* p, void** out)
{
    p->AddRef();
    *out = p;
    return S_OK;
}

}  // namespace

IEnumFloatEx* NewVectorStream(std::vector<float> samples, std::vector<uint32_t>* chunks)
{
    auto* stream = new VectorStream(std::move(samples), chunks);
    stream->AddRef();
    return stream;
}

HRESULT FakeHostDocument::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IHostDocument) return Hand(static_cast<IHostDocument*>(this), out);
    if (iid == IID_IHostSelection) return Hand(static_cast<IHostSelection*>(this), out);
    if (iid == IID_IChannelRecord) return Hand(static_cast<IChannelRecord*>(this), out);
    if (iid == IID_IRecordData) return Hand(static_cast<IRecordData*>(this), out);
    return E_NOINTERFACE;
}

HRESULT FakeHostDocument::GetHostSelection(IHostSelection** selection)
{
    if (!selection) return E_POINTER;
    *selection = nullptr;
    if (noSelectionInterface) return E_FAIL;
    return Hand(static_cast<IHostSelection*>(this), reinterpret_cast<void**>(selection));
}

HRESULT FakeHostDocument::GetChannelRecord(int32_t channel, IChannelRecord** record)
{
    if (!record) return E_POINTER;
    *record = nullptr;
    if (!channels_.count(channel)) return E_INVALIDARG;
    return Hand(static_cast<IChannelRecord*>(this), reinterpret_cast<void**>(record));
}

HRESULT FakeHostDocument::GetDataAccess(IRecordData** data)
{
    if (!data) return E_POINTER;
    *data = nullptr;
    if (noDataAccess) return E_FAIL;
    return Hand(static_cast<IRecordData*>(this), reinterpret_cast<void**>(data));
}

HRESULT FakeHostDocument::HasSelection(int32_t* has)
{
    if (!has) return E_POINTER;
    if (selectionFails) return E_FAIL;
    *has = has_ ? 1 : 0;
    return S_OK;
}

HRESULT FakeHostDocument::GetSelection(HostPosition* start, HostPosition* end)
{
    if (!start || !end) return E_POINTER;
    if (!has_) return S_FALSE;
    *start = start_;
    *end = end_;
    return S_OK;
}

HRESULT FakeHostDocument::SetSelection(const HostPosition* start, const HostPosition* end)
{
    if (!start || !end) return E_POINTER;
    ++setSelections;
    SetSelection(*start, *end);
    return S_OK;
}

HRESULT FakeHostDocument::GetUnitsConversion(int32_t* on)
{
    *on = unitsConversion;
    return S_OK;
}

HRESULT FakeHostDocument::GetUnitAt(const HostPosition*, IUnitName** out)
{
    auto* entry = new KVI::UnitEntry(unit);
    entry->AddRef();
    *out = entry;
    return S_OK;
}

HRESULT FakeHostDocument::GetDisplayRange(double* t, double* b)
{
    *t = top;
    *b = bottom;
    return S_OK;
}

HRESULT FakeHostDocument::GetColour(uint32_t* rgb)
{
    *rgb = colour;
    return S_OK;
}

int32_t FakeHostDocument::BlockCount() const
{
    size_t count = 0;
    for (const auto& [channel, blocks] : channels_) count = std::max(count, blocks.size());
    return static_cast<int32_t>(count);
}

const FakeHostDocument::Block* FakeHostDocument::FindBlock(int32_t channel, uint32_t block) const
{
    const auto it = channels_.find(channel);
    if (it == channels_.end() || block >= it->second.size()) return nullptr;
    return &it->second[block];
}

HRESULT FakeHostDocument::GetBlockCount(int32_t* out)
{
    *out = BlockCount();
    return S_OK;
}

HRESULT FakeHostDocument::GetBlockLength(uint32_t block, uint32_t flags, int32_t* out)
{
    *out = 0;
    if (flags != 0 || block >= static_cast<uint32_t>(BlockCount())) return E_INVALIDARG;
    size_t length = 0;
    for (const auto& [channel, blocks] : channels_)
        if (block < blocks.size() && blocks[block]) length = std::max(length, blocks[block]->size());
    *out = static_cast<int32_t>(length);
    return S_OK;
}

HRESULT FakeHostDocument::HasSamples(int32_t channel, uint32_t block, uint32_t flags, VARIANT_BOOL* out)
{
    *out = VARIANT_FALSE;
    if (flags != 0) return E_INVALIDARG;
    const Block* found = FindBlock(channel, block);
    if (!found) return E_INVALIDARG;
    if (*found && !(*found)->empty()) *out = VARIANT_TRUE;
    return S_OK;
}

HRESULT FakeHostDocument::CreateValueEnum(int32_t channel, uint32_t block, int64_t start, int64_t end,
                                          uint32_t flags, IEnumFloatEx** out)
{
    *out = nullptr;
    requests.push_back({channel, block, start, end});
    const Block* found = FindBlock(channel, block);
    if (flags != 0 || !found || start < 0 || end < start) return E_INVALIDARG;
    const std::vector<float> none;
    const std::vector<float>& samples = *found ? **found : none;
    const auto size = static_cast<int64_t>(samples.size());
    const int64_t from = std::min(start, size);
    const int64_t to = std::min(end, size);
    *out = NewVectorStream(std::vector<float>(samples.begin() + from, samples.begin() + to), &chunkSizes);
    return S_OK;
}

}  // namespace TestSupport
