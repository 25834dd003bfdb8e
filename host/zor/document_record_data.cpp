#include "host/zor/document_record_data.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <new>

#include "foundation/bitset_rep.h"
#include "host/zor/document.h"

namespace Zor {
namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

bool ValidScale(int64_t p, int64_t q) { return p > 0 && q > 0; }

// floor or ceiling of a * b / c for a, b not negative and c above 0, held at INT64_MAX. The
// product is formed in 128 bits: sample counts times a fine scale pass 64 bits easily.
int64_t MulDiv(int64_t a, int64_t b, int64_t c, bool roundUp)
{
    const __int128 product = static_cast<__int128>(a) * b;
    __int128 q = product / c;
    if (roundUp && q * c != product) ++q;
    return q > kInt64Max ? kInt64Max : static_cast<int64_t>(q);
}

}  // namespace

HRESULT DocumentRecordData::Create(Document* document, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!document) return E_POINTER;
    try {
        auto* made = new DocumentRecordData(document);
        made->AddRef();
        *out = static_cast<IRecordData*>(made);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

DocumentRecordData::DocumentRecordData(Document* document) : document_(document) {}

DocumentRecordData::~DocumentRecordData() = default;

HRESULT DocumentRecordData::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid != IID_IRecordData) return document_->QueryInterface(iid, out);
    *out = static_cast<IRecordData*>(this);
    AddRef();
    return S_OK;
}

uint32_t DocumentRecordData::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t DocumentRecordData::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT DocumentRecordData::GetBlockCount(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(document_->mutex_);
    *out = document_->data_.BlockCount();
    return S_OK;
}

HRESULT DocumentRecordData::BlockLength(int32_t block, int64_t* out) const
{
    *out = 0;
    std::lock_guard lock(document_->mutex_);
    const RecordingData& data = document_->data_;
    if (!data.HasBlock(block)) return E_INVALIDARG;
    int64_t longest = 0;
    for (int32_t channel = 0; channel < data.ChannelCount(); ++channel) {
        // A channel whose sources break or loop shows nothing.
        const int32_t root = document_->RootSourceLocked(channel);
        if (root >= 0) longest = std::max(longest, data.SampleCount(root, block));
    }
    *out = longest;
    return S_OK;
}

HRESULT DocumentRecordData::GetBlockLength(uint32_t block, uint32_t flags, int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (flags != 0 || block > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return E_INVALIDARG;
    int64_t length = 0;
    const HRESULT hr = BlockLength(static_cast<int32_t>(block), &length);
    if (FAILED(hr)) return hr;
    *out = static_cast<int32_t>(std::min<int64_t>(length, std::numeric_limits<int32_t>::max()));
    return S_OK;
}

HRESULT DocumentRecordData::GetBoundaryMarks(uint32_t, int32_t block, IKVIBitset** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::lock_guard lock(document_->mutex_);
        if (!document_->data_.HasBlock(block)) return E_INVALIDARG;
        const BoundaryMarks& marks = document_->data_.Marks(block);
        *out = KVI::BitsetRep::FromWords(marks.words, marks.fill).Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT DocumentRecordData::GetAppendingBlock(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(document_->mutex_);
    *out = std::max(0, document_->data_.BlockCount() - 1);
    return S_OK;
}

HRESULT DocumentRecordData::GetBlockWidth(uint32_t, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (!ValidScale(scaleP, scaleQ)) return E_INVALIDARG;
    int64_t length = 0;
    const HRESULT hr = BlockLength(block, &length);
    if (FAILED(hr)) return hr;
    // Rounding up gives the last sample a pixel of its own however fine the scale.
    *out = MulDiv(length, scaleP, scaleQ, true);
    return S_OK;
}

HRESULT DocumentRecordData::PixelToSample(uint32_t, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t offset,
                                          int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (!ValidScale(scaleP, scaleQ) || offset < 0) return E_INVALIDARG;
    int64_t length = 0;
    const HRESULT hr = BlockLength(block, &length);
    if (FAILED(hr)) return hr;
    *out = MulDiv(offset, scaleQ, scaleP, false);
    return *out < length ? S_OK : S_FALSE;
}

}  // namespace Zor
