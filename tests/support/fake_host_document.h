// A test double of the host's document as a settings dialog reads it (interfaces/
// document_access.h): the document, its host selection, one channel record and the data-access
// object, all answered by one object, over channels of samples in blocks that the test sets.
// It writes down the streams it opens and the chunk sizes they are asked for.
//
// Lives on the stack: AddRef and Release count but never delete. The streams it hands out are
// heap objects deleted by their last Release.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "interfaces/record_data_defaults.h"
#include "interfaces/document_access.h"
#include "values/units/unit_info.h"

namespace TestSupport {

class FakeHostDocument final : public IHostDocument,
                               public IHostSelection,
                               public IChannelRecord,
                               public IRecordDataDefaults {
public:
    // A block of a channel: its samples, or none when the channel has no data there.
    using Block = std::optional<std::vector<float>>;

    struct StreamRequest {
        int32_t channel;
        uint32_t block;
        int64_t start;
        int64_t end;
        friend bool operator==(const StreamRequest&, const StreamRequest&) = default;
    };

    FakeHostDocument() = default;
    FakeHostDocument(const FakeHostDocument&) = delete;
    FakeHostDocument& operator=(const FakeHostDocument&) = delete;

    // The channel's blocks (block i is blocks[i]); the recording has as many blocks as the
    // longest list.
    void SetChannel(int32_t channel, std::vector<Block> blocks) { channels_[channel] = std::move(blocks); }
    void SetSelection(HostPosition start, HostPosition end)
    {
        has_ = true;
        start_ = start;
        end_ = end;
    }
    void ClearSelection() { has_ = false; }

    // Switches: no data-access object; no selection interface; HasSelection fails.
    bool noDataAccess = false;
    bool noSelectionInterface = false;
    bool selectionFails = false;
    // The channel record's answers.
    int32_t unitsConversion = 0;
    uint32_t colour = 0x0000FF;
    double top = 10.0;
    double bottom = -10.0;
    KVI::UnitInfo unit;

    // What the double was asked.
    std::vector<StreamRequest> requests;
    std::vector<uint32_t> chunkSizes;  // the count of every Next on a stream it handed out
    int setSelections = 0;

    int32_t RefCount() const { return refs_.load(); }

    // IUnknown (every interface).
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }

    // IHostDocument.
    HRESULT GetHostSelection(IHostSelection** selection) override;
    HRESULT GetChannelRecord(int32_t channel, IChannelRecord** record) override;
    HRESULT GetDataAccess(IRecordData** data) override;

    // IHostSelection.
    HRESULT HasSelection(int32_t* has) override;
    HRESULT GetSelection(HostPosition* start, HostPosition* end) override;
    HRESULT SetSelection(const HostPosition* start, const HostPosition* end) override;

    // IChannelRecord (channel given by the last GetChannelRecord).
    HRESULT GetUnitsConversion(int32_t* on) override;
    HRESULT GetUnitAt(const HostPosition* at, IUnitName** out) override;
    HRESULT GetDisplayRange(double* top, double* bottom) override;
    HRESULT GetColour(uint32_t* rgb) override;

    // IRecordData: slots 7, 9, 14 and 32 answered; the rest are the defaults (E_NOTIMPL).
    HRESULT GetBlockCount(int32_t* out) override;
    HRESULT GetBlockLength(uint32_t block, uint32_t flags, int32_t* out) override;
    HRESULT HasSamples(int32_t channel, uint32_t block, uint32_t flags, VARIANT_BOOL* out) override;
    HRESULT CreateValueEnum(int32_t channel, uint32_t block, int64_t start, int64_t end, uint32_t flags,
                            IEnumFloatEx** out) override;

private:
    const Block* FindBlock(int32_t channel, uint32_t block) const;
    int32_t BlockCount() const;

    std::atomic<int32_t> refs_{0};
    std::map<int32_t, std::vector<Block>> channels_;
    bool has_ = false;
    HostPosition start_;
    HostPosition end_;
};

// A stream over a copy of some samples, from the first; writes the count of every Next into
// *chunks when given.
IEnumFloatEx* NewVectorStream(std::vector<float> samples, std::vector<uint32_t>* chunks = nullptr);

}  // namespace TestSupport
