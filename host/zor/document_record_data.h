// Zor::DocumentRecordData: a document's recording seen through the record-data interface
// (IRecordData), for the components that lay its blocks out on a pixel axis. The document hands
// one out when asked for IRecordData (a tear-off: each query makes a new one, which holds a
// reference to the document; asked for any other interface, it answers as the document).
//
// Answered slots (the selector argument of 11, 34 and 35 is not interpreted: a document holds
// one recording; blocks are indexes, and a block that does not exist gives E_INVALIDARG):
//    7  the number of blocks;
//    9  with flags 0, the block's length in samples: the most samples any channel shows in it
//       (a calculated channel shows its source's), held at INT32_MAX;
//   11  a new bit set (KVI::BitsetRep) of the marks on the boundary before the block;
//   12  the block new samples go to: the last block (0 with none);
//   34  the block's width at p / q pixels per sample: ceil(length * p / q), held at INT64_MAX;
//   35  the sample at a pixel offset from the block's data start: floor(offset * q / p); S_FALSE
//       when that lies at or beyond the block's length (the position is still given).
// For 34 and 35, p and q must be above 0 and the offset not negative (E_INVALIDARG). Every other
// slot returns E_NOTIMPL (out pointers cleared); the document's own interfaces serve channels,
// units and samples.
//
// Thread-safe as the document is: every answer is read under the document's lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/record_data_defaults.h"
#include "platform/com_ptr.h"

namespace Zor {

class Document;

class DocumentRecordData final : public IRecordDataDefaults {
public:
    // [out] a new tear-off over the document, with a reference.
    static HRESULT Create(Document* document, void** out);

    DocumentRecordData(const DocumentRecordData&) = delete;
    DocumentRecordData& operator=(const DocumentRecordData&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT GetChannelName(int32_t, IAutoKVIString** out) override { return NotImplemented(out); }
    HRESULT GetChannelCount(int32_t* out) override { return NotImplemented(out); }
    HRESULT GetSampleCount(uint32_t, int32_t* out) override { return NotImplemented(out); }
    HRESULT GetChannelSampleCount(int32_t, uint32_t, int32_t* out) override { return NotImplemented(out); }
    HRESULT GetBlockCount(int32_t* out) override;
    HRESULT GetBlockLength(uint32_t block, uint32_t flags, int32_t* out) override;
    HRESULT GetBoundaryMarks(uint32_t selector, int32_t block, IKVIBitset** out) override;
    HRESULT GetAppendingBlock(int32_t* out) override;
    HRESULT HasSamples(int32_t, uint32_t, uint32_t, VARIANT_BOOL* out) override { return NotImplemented(out); }
    HRESULT GetChannelUnits(int32_t, uint32_t, IAutoKVIString** out) override { return NotImplemented(out); }
    HRESULT GetValueDouble(int32_t, uint32_t, int64_t, uint32_t, const double*, double* out) override
    {
        return NotImplemented(out);
    }
    HRESULT GetValue(int32_t, uint32_t, int64_t, uint32_t, const double*, float* out) override
    {
        return NotImplemented(out);
    }
    HRESULT CreateValueEnum(int32_t, uint32_t, int64_t, int64_t, uint32_t, IEnumFloatEx** out) override
    {
        return NotImplemented(out);
    }
    HRESULT CreatePixMap(IRecordDataPixMap** out) override { return NotImplemented(out); }
    HRESULT GetBlockWidth(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t* out) override;
    HRESULT PixelToSample(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t offset,
                          int64_t* out) override;
    HRESULT CreatePixelEnum(int32_t, uint32_t, int64_t, int64_t, int64_t, int64_t, IEnumFloatPixEx** out) override
    {
        return NotImplemented(out);
    }

private:
    explicit DocumentRecordData(Document* document);
    ~DocumentRecordData();

    template <class T>
    static HRESULT NotImplemented(T* out)
    {
        if (out) *out = T{};
        return E_NOTIMPL;
    }

    // [out] the block's length in samples (see slot 9). E_INVALIDARG for a block that does not
    // exist. Takes the document's lock.
    HRESULT BlockLength(int32_t block, int64_t* out) const;

    std::atomic<int32_t> refs_{0};
    platform::ComPtr<Document> document_;
};

}  // namespace Zor
