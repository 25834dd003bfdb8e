// Velogram::HostDataAccess: the data-access object of a document (IRecordData,
// interfaces/record_data.h): what a settings dialog, its selection pane and the fit report
// read the recording through, and what the data window lays its blocks out with.
//
// Answered slots:
//    3  GetChannelName, 4 GetChannelCount, 7 GetBlockCount: the recording's;
//    5  GetSampleCount (block): the block's length, as slot 9;
//    6  GetChannelSampleCount: the channel's samples in the block (a calculated channel: its
//       source's), 0 when a calculated channel cannot compute yet; held at INT32_MAX;
//    9  GetBlockLength, 11 GetBoundaryMarks, 12 GetAppendingBlock, 34 GetBlockWidth,
//       35 PixelToSample: the document's own answers (host/zor/document_record_data.h);
//   10  GetChannelExtent: the channel's sample count, first sample 0;
//   14  HasSamples (flags 0): VARIANT_TRUE when the channel has samples in the block;
//   15  GetChannelUnits (flags 0): the unit's display text ("mV");
//   29, 30  GetValueDouble, GetValue (flags 0): one sample, a * (b + value) with a scale (a, b);
//       E_INVALIDARG for a sample outside the channel's samples in the block;
//   32  CreateValueEnum (flags 0): the recording's sample stream (a calculated channel's through
//       its calculation's enumerator) from start up to end, end cut to the samples there are;
//   33  CreatePixMap: a GUILib::PixMap over this object.
// Slot 38 (CreatePixelEnum) and the reserved slots answer E_NOTIMPL. Values are in the
// channel's base unit, as the recording keeps its samples.
//
// QueryInterface answers IUnknown and IID_IRecordData with this object, and IID_IZORPrinting
// with the framework's printing face (interfaces/printing.h), which the document hands
// out; E_NOINTERFACE for anything else.
//
// Reference counting: Create hands out the first reference; the object holds references to the
// document's interfaces. Threads: any thread the document allows (its calls take its lock).
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/record_data_defaults.h"
#include "interfaces/recording.h"
#include "interfaces/zor_document.h"
#include "platform/com_ptr.h"

namespace Velogram {

class HostDataAccess final : public IRecordDataDefaults {
public:
    // [in] document: a framework document (answering IRecording and IRecordData). Null when
    // it lacks either.
    static platform::ComPtr<HostDataAccess> Create(IZorDocument* document);

    HostDataAccess(const HostDataAccess&) = delete;
    HostDataAccess& operator=(const HostDataAccess&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT GetChannelName(int32_t channel, IAutoKVIString** out) override;
    HRESULT GetChannelCount(int32_t* out) override;
    HRESULT GetSampleCount(uint32_t block, int32_t* out) override;
    HRESULT GetChannelSampleCount(int32_t channel, uint32_t block, int32_t* out) override;
    HRESULT GetBlockCount(int32_t* out) override;
    HRESULT GetBlockLength(uint32_t block, uint32_t flags, int32_t* out) override;
    HRESULT GetChannelExtent(int32_t channel, uint32_t block, RecordExtent* out) override;
    HRESULT GetBoundaryMarks(uint32_t selector, int32_t block, IKVIBitset** out) override;
    HRESULT GetAppendingBlock(int32_t* out) override;
    HRESULT HasSamples(int32_t channel, uint32_t block, uint32_t flags, VARIANT_BOOL* out) override;
    HRESULT GetChannelUnits(int32_t channel, uint32_t flags, IAutoKVIString** out) override;
    HRESULT GetValueDouble(int32_t channel, uint32_t block, int64_t sample, uint32_t flags, const double* scale,
                           double* out) override;
    HRESULT GetValue(int32_t channel, uint32_t block, int64_t sample, uint32_t flags, const double* scale,
                     float* out) override;
    HRESULT CreateValueEnum(int32_t channel, uint32_t block, int64_t start, int64_t end, uint32_t flags,
                            IEnumFloatEx** out) override;
    HRESULT CreatePixMap(IRecordDataPixMap** out) override;
    HRESULT GetBlockWidth(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t* out) override;
    HRESULT PixelToSample(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t offset,
                          int64_t* out) override;
    HRESULT CreatePixelEnum(int32_t, uint32_t, int64_t, int64_t, int64_t, int64_t, IEnumFloatPixEx** out) override;

    IRecording* Recording() const { return recording_.Get(); }

private:
    HostDataAccess(IZorDocument* document, IRecording* recording, IRecordData* layout);
    ~HostDataAccess() = default;

    // [out] the channel's samples in the block; 0 with S_OK for a calculated channel that
    // cannot compute. E_INVALIDARG for a channel or block that does not exist.
    HRESULT ChannelSamples(int32_t channel, uint32_t block, int64_t* out) const;

    std::atomic<int32_t> refs_{0};
    platform::ComPtr<IZorDocument> document_;
    platform::ComPtr<IRecording> recording_;
    platform::ComPtr<IRecordData> layout_;  // the document's own record-data answers
};

}  // namespace Velogram
