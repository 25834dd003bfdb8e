#include "values/pix_map.h"

#include <algorithm>
#include <limits>
#include <new>

namespace GUILib {
namespace {

constexpr size_t kInitialBlocks = 8;
constexpr int64_t kNoPixel = std::numeric_limits<int64_t>::min();

// Pixel to sample: how a pixel in a gap snaps to a block.
constexpr int32_t kSnapToNearer = 0;
constexpr int32_t kSnapToPreceding = 1;

// a - b, held at the 64-bit limits: a pixel far off either side still lies off that side.
int64_t SaturatingMinus(int64_t a, int64_t b)
{
    int64_t r = 0;
    if (!__builtin_sub_overflow(a, b, &r)) return r;
    return b > 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

}  // namespace

platform::ComPtr<PixMap> PixMap::Create(IUnknown* record)
{
    platform::ComPtr<PixMap> map(new PixMap);
    map->SetRecord(record);
    return map;
}

PixMap::PixMap() : SimpleUnknownImp1(IID_IRecordDataPixMap) { slots_.reserve(kInitialBlocks); }

// Settings ------------------------------------------------------------------------------------

HRESULT PixMap::SetOption(int32_t option)
{
    option_ = option;
    stale_ = true;
    return S_OK;
}

HRESULT PixMap::Reserved4()
{
    stale_ = true;
    return E_NOTIMPL;
}

HRESULT PixMap::Reserved10()
{
    stale_ = true;
    return E_NOTIMPL;
}

HRESULT PixMap::SetGap(int32_t type, int32_t pixels)
{
    // A negative gap would let a block start before the previous one and break the search by
    // bisection, which needs the starts in order.
    if (pixels < 0) return E_INVALIDARG;
    switch (type) {
    case kLeadingGap: leadingGap_ = pixels; break;
    case kNormalGap: normalGap_ = pixels; break;
    case kMarkedGap: markedGap_ = pixels; break;
    default: return E_INVALIDARG;
    }
    stale_ = true;
    return S_OK;
}

HRESULT PixMap::SetScale(int64_t p, int64_t q)
{
    // The record divides by both terms when it converts pixels to samples.
    if (p <= 0 || q <= 0) return E_INVALIDARG;
    scaleP_ = p;
    scaleQ_ = q;
    stale_ = true;
    return S_OK;
}

HRESULT PixMap::GetScale(int64_t* p, int64_t* q)
{
    if (!p || !q) return E_POINTER;
    *p = scaleP_;
    *q = scaleQ_;
    return S_OK;
}

HRESULT PixMap::SetRecord(IUnknown* record)
{
    record_.Reset();
    appending_ = false;
    stale_ = true;
    if (!record) return S_OK;
    const HRESULT hr = record->QueryInterface(IID_IRecordData, record_.PutVoid());
    if (FAILED(hr)) record_.Reset();
    return hr;
}

HRESULT PixMap::GetRecord(IRecordData** out)
{
    if (!out) return E_POINTER;
    *out = platform::ComPtr<IRecordData>(record_).Detach();
    return S_OK;
}

// Layout --------------------------------------------------------------------------------------

HRESULT PixMap::Rebuild()
{
    stale_ = true;
    return EnsureLaidOut();
}

HRESULT PixMap::EnsureLaidOut()
{
    if (!stale_) return S_OK;
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = Layout();
    } catch (const std::bad_alloc&) {
    }
    if (FAILED(hr)) {
        slots_.clear();
        return hr;
    }
    stale_ = false;
    return S_OK;
}

HRESULT PixMap::Layout()
{
    slots_.clear();
    if (!record_) return S_OK;
    int32_t n = 0;
    HRESULT hr = record_->GetBlockCount(&n);
    if (FAILED(hr)) return hr;
    int64_t pos = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t gap = GapBefore(i);
        slots_.push_back({pos, gap});
        int64_t width = 0;
        hr = WidthOf(i, &width);
        if (FAILED(hr)) return hr;
        if (__builtin_add_overflow(pos, int64_t{gap}, &pos) || __builtin_add_overflow(pos, width, &pos)) return E_FAIL;
    }
    return S_OK;
}

int32_t PixMap::GapBefore(int32_t block) const
{
    if (block == 0) return leadingGap_;
    platform::ComPtr<IKVIBitset> marks;
    // A record that keeps no marks (or fails to say) has only normal boundaries.
    if (FAILED(record_->GetBoundaryMarks(kCurrentBlockSelector, block, marks.Put()))) return normalGap_;
    return KVI::BitsetRep::AnySet(marks.Get()) ? markedGap_ : normalGap_;
}

HRESULT PixMap::WidthOf(int32_t block, int64_t* out) const
{
    *out = 0;
    int64_t width = 0;
    const HRESULT hr = record_->GetBlockWidth(kCurrentBlockSelector, block, scaleP_, scaleQ_, &width);
    if (FAILED(hr)) return hr;
    *out = std::max<int64_t>(0, width);
    return S_OK;
}

HRESULT PixMap::EndOf(int32_t block, int64_t* out) const
{
    if (block + 1 < LaidOutCount()) {
        *out = slots_[static_cast<size_t>(block) + 1].start;
        return S_OK;
    }
    int64_t width = 0;
    const HRESULT hr = WidthOf(block, &width);
    if (FAILED(hr)) return hr;
    if (__builtin_add_overflow(DataStart(block), width, out)) return E_FAIL;
    return S_OK;
}

HRESULT PixMap::TotalWidth(int64_t* out) const
{
    *out = 0;
    return slots_.empty() ? S_OK : EndOf(LaidOutCount() - 1, out);
}

int32_t PixMap::FindBlock(int64_t x) const
{
    if (x < 0) return 0;
    const auto after = std::upper_bound(slots_.begin(), slots_.end(), x,
                                        [](int64_t v, const Slot& s) { return v < s.start; });
    return static_cast<int32_t>(after - slots_.begin()) - 1;
}

// Appending -----------------------------------------------------------------------------------

HRESULT PixMap::BeginAppend()
{
    HRESULT hr = EnsureLaidOut();
    if (FAILED(hr)) return hr;
    if (!record_) return E_FAIL;
    int32_t current = 0;
    hr = record_->GetAppendingBlock(&current);
    if (FAILED(hr)) return hr;
    const int32_t known = LaidOutCount();
    if (current < 0 || current > known) return E_FAIL;
    if (current == known) {
        int64_t start = 0;
        hr = TotalWidth(&start);
        if (FAILED(hr)) return hr;
        try {
            slots_.push_back({start, GapBefore(current)});
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    appendBlock_ = current;
    appending_ = true;
    return S_OK;
}

HRESULT PixMap::EndAppend()
{
    appending_ = false;
    return S_OK;
}

HRESULT PixMap::GetAppendPixel(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    HRESULT hr = EnsureLaidOut();
    if (FAILED(hr)) return hr;
    // A rebuild since BeginAppend may have dropped the appending block's start (the record did
    // not count it yet); the next block after the last is then the same place.
    if (appending_ && appendBlock_ < LaidOutCount()) {
        *out = DataStart(appendBlock_);
        return S_OK;
    }
    int64_t end = 0;
    hr = TotalWidth(&end);
    if (FAILED(hr)) return hr;
    const int32_t next = LaidOutCount();
    const int32_t gap = record_ ? GapBefore(next) : (next == 0 ? leadingGap_ : normalGap_);
    if (__builtin_add_overflow(end, int64_t{gap}, out)) return E_FAIL;
    return S_OK;
}

// Queries -------------------------------------------------------------------------------------

HRESULT PixMap::GetTotalWidth(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    const HRESULT hr = EnsureLaidOut();
    return FAILED(hr) ? hr : TotalWidth(out);
}

HRESULT PixMap::GetBlockCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    const HRESULT hr = EnsureLaidOut();
    if (FAILED(hr)) return hr;
    *out = LaidOutCount();
    return S_OK;
}

HRESULT PixMap::PixelToBlock(int64_t x, int64_t* offset, int32_t* block, int64_t* end)
{
    int64_t o = 0;
    int64_t e = 0;
    int32_t b = 0;
    HRESULT hr = EnsureLaidOut();
    if (SUCCEEDED(hr)) {
        if (slots_.empty()) {
            o = SaturatingMinus(x, leadingGap_);
            hr = S_FALSE;
        } else {
            b = FindBlock(x);
            o = SaturatingMinus(x, DataStart(b));
            hr = EndOf(b, &e);
            if (SUCCEEDED(hr)) hr = x < 0 || x >= e ? S_FALSE : S_OK;
        }
    }
    if (offset) *offset = o;
    if (block) *block = b;
    if (end) *end = e;
    return hr;
}

HRESULT PixMap::GetBlockExtent(int32_t block, int64_t* gapOffset, int64_t* end)
{
    if (!gapOffset || !end) return E_POINTER;
    *gapOffset = kNoPixel;
    *end = kNoPixel;
    HRESULT hr = EnsureLaidOut();
    if (FAILED(hr)) return hr;
    if (block < 0) return E_INVALIDARG;
    if (block >= LaidOutCount()) return S_FALSE;
    int64_t e = 0;
    hr = EndOf(block, &e);
    if (FAILED(hr)) return hr;
    *gapOffset = -int64_t{GapOf(block)};
    *end = e;
    return S_OK;
}

HRESULT PixMap::PixelToSample(int32_t mode, int64_t x, int64_t* sample, int32_t* block)
{
    if (!sample || !block) return E_POINTER;
    *sample = 0;
    *block = 0;
    HRESULT hr = EnsureLaidOut();
    if (FAILED(hr)) return hr;
    if (slots_.empty()) return S_FALSE;
    const int32_t b = FindBlock(x);
    const int64_t offset = SaturatingMinus(x, DataStart(b));
    *block = b;
    if (offset >= 0) return record_->PixelToSample(kCurrentBlockSelector, b, scaleP_, scaleQ_, offset, sample);
    // In the gap before block b.
    if (mode == kSnapToNearer && offset >= -(GapOf(b) / 2)) return S_OK;
    if ((mode == kSnapToNearer || mode == kSnapToPreceding) && b > 0) {
        int32_t length = 0;
        hr = record_->GetBlockLength(static_cast<uint32_t>(b - 1), 0, &length);
        if (FAILED(hr)) return hr;
        *block = b - 1;
        *sample = length;
        return hr;
    }
    return S_OK;
}

}  // namespace GUILib
