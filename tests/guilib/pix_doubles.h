// Test doubles for the pixel map: a bit set of another implementation, and a record whose
// blocks, boundary marks and failures a test sets. Both live on the stack: AddRef and Release
// count but never delete.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "interfaces/record_data_defaults.h"
#include "interfaces/record_data_pixmap.h"
#include "foundation/bitset_rep.h"

namespace PixTest {

// The count an object holds now (AddRef then Release).
template <class T>
uint32_t Refs(T* p)
{
    p->AddRef();
    return p->Release();
}

// A bit set that is not a KVI::BitsetRep, though it may claim the same implementation tag.
class ForeignBitset final : public IKVIBitset {
public:
    ForeignBitset(std::vector<uint32_t> words, uint32_t fill, int32_t tag = 7)
        : words_(std::move(words)), fill_(fill), tag_(tag)
    {
    }

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IKVIBitset) return E_NOINTERFACE;
        *out = static_cast<IKVIBitset*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }
    int32_t GetImplementationTag() override { return tag_; }
    HRESULT Destroy() override { return E_FAIL; }
    HRESULT GetWordCount(int32_t* out) override
    {
        *out = countOverride_ ? *countOverride_ : static_cast<int32_t>(words_.size());
        return failure_;
    }
    HRESULT GetWords(int32_t count, uint32_t* words, uint32_t* fill) override
    {
        if (FAILED(failure_)) return failure_;
        const size_t n = std::min(static_cast<size_t>(count), words_.size());
        std::copy_n(words_.begin(), n, words);
        if (fill) *fill = fill_;
        return n < words_.size() ? S_FALSE : S_OK;
    }
    HRESULT Clone(IKVIBitset**) override { return E_NOTIMPL; }

    void Fail(HRESULT hr) { failure_ = hr; }
    void ClaimWordCount(int32_t n) { countOverride_ = std::make_unique<int32_t>(n); }
    int32_t RefCount() const { return refs_.load(); }

private:
    std::vector<uint32_t> words_;
    uint32_t fill_;
    int32_t tag_;
    HRESULT failure_ = S_OK;
    std::unique_ptr<int32_t> countOverride_;
    std::atomic<int32_t> refs_{0};
};

// A record of blocks with given lengths in samples. Widths are ceil(length * p / q); pixel
// offsets convert to floor(offset * q / p), S_FALSE past the block's length. Marks on a
// boundary are handed out as the given set; boundaries without one answer failure.
class RecordDouble final : public IRecordDataDefaults {
public:
    explicit RecordDouble(std::vector<int64_t> lengths = {}) : lengths_(std::move(lengths))
    {
        blockCount_ = static_cast<int32_t>(lengths_.size());
    }

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IRecordData) return E_NOINTERFACE;
        *out = static_cast<IRecordData*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }

    HRESULT GetBlockCount(int32_t* out) override
    {
        ++blockCountCalls_;
        *out = blockCount_;
        return blockCountResult_;
    }
    HRESULT GetBlockLength(uint32_t block, uint32_t flags, int32_t* out) override
    {
        *out = 0;
        if (flags != 0 || block >= lengths_.size()) return E_INVALIDARG;
        *out = static_cast<int32_t>(lengths_[block]);
        return S_OK;
    }
    HRESULT GetBoundaryMarks(uint32_t selector, int32_t block, IKVIBitset** out) override
    {
        *out = nullptr;
        auto it = marks_.find(block);
        if (selector != kCurrentBlockSelector || it == marks_.end()) return E_INVALIDARG;
        *out = it->second;
        (*out)->AddRef();
        return S_OK;
    }
    HRESULT GetAppendingBlock(int32_t* out) override
    {
        *out = appendingBlock_;
        return S_OK;
    }
    HRESULT CreateValueEnum(int32_t, uint32_t, int64_t, int64_t, uint32_t, IEnumFloatEx**) override
    {
        return E_NOTIMPL;
    }
    HRESULT GetBlockWidth(uint32_t selector, int32_t block, int64_t p, int64_t q, int64_t* out) override
    {
        *out = 0;
        if (selector != kCurrentBlockSelector || block < 0 || size_t(block) >= lengths_.size()) return E_INVALIDARG;
        if (block == failWidthOf_) return E_UNEXPECTED;
        *out = (lengths_[size_t(block)] * p + q - 1) / q;
        return S_OK;
    }
    HRESULT PixelToSample(uint32_t selector, int32_t block, int64_t p, int64_t q, int64_t offset,
                          int64_t* out) override
    {
        lastConversion_ = {block, p, q, offset};
        *out = 0;
        if (selector != kCurrentBlockSelector || block < 0 || size_t(block) >= lengths_.size() || offset < 0)
            return E_INVALIDARG;
        *out = offset * q / p;
        return *out < lengths_[size_t(block)] ? S_OK : S_FALSE;
    }
    HRESULT CreatePixelEnum(int32_t, uint32_t, int64_t, int64_t, int64_t, int64_t, IEnumFloatPixEx**) override
    {
        return E_NOTIMPL;
    }

    // The arguments of the last pixel-to-sample call.
    struct Conversion {
        int32_t block = -1;
        int64_t p = 0, q = 0, offset = 0;
    };

    std::vector<int64_t>& Lengths() { return lengths_; }
    // What slot 7 answers (the block count by default: lengths may run one block ahead).
    void SetBlockCount(int32_t n, HRESULT result = S_OK)
    {
        blockCount_ = n;
        blockCountResult_ = result;
    }
    void SetMarks(int32_t block, IKVIBitset* set) { marks_[block] = set; }
    void SetAppendingBlock(int32_t block) { appendingBlock_ = block; }
    void FailWidthOf(int32_t block) { failWidthOf_ = block; }
    int32_t BlockCountCalls() const { return blockCountCalls_; }
    const Conversion& LastConversion() const { return lastConversion_; }
    int32_t RefCount() const { return refs_.load(); }

private:
    std::vector<int64_t> lengths_;
    int32_t blockCount_ = 0;
    HRESULT blockCountResult_ = S_OK;
    std::map<int32_t, IKVIBitset*> marks_;
    int32_t appendingBlock_ = 0;
    int32_t failWidthOf_ = -1;
    int32_t blockCountCalls_ = 0;
    Conversion lastConversion_;
    std::atomic<int32_t> refs_{0};
};

}  // namespace PixTest
