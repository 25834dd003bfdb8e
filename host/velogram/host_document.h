// Velogram::HostDocument: a document as the application window holds it: the framework's
// document (its recording and the calculations of its channels) with the host's objects around
// it: the host selection of the data window, the data-access object and channel records. It is
// the document interface (IHostDocument, interfaces/document_access.h) that the host hands
// a calculation class's EditSettings.
//
// QueryInterface answers IUnknown and IID_IHostDocument with this object, and IID_IZORPrinting
// through the data-access object (the framework's printing face); E_NOINTERFACE otherwise.
//
// Reference counting: Create hands out the first reference. Threads: the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>

#include "interfaces/document_access.h"
#include "interfaces/recording.h"
#include "interfaces/zor_document.h"
#include "foundation/kvi_string.h"
#include "host/velogram/host_data_access.h"
#include "host/velogram/host_selection.h"
#include "platform/com_ptr.h"

namespace Velogram {

// What the window shows of a channel.
struct ChannelInfo {
    KVI::String name;
    KVI::String unit;      // display text, prefix letter and name ("mV")
    double factor = 1.0;   // base unit -> the display unit (the unit's prefix)
    uint32_t colour = 0;   // 0xRRGGBB
    double top = 10.0;     // display range, in the display unit
    double bottom = -10.0;
    bool unitsConversion = false;
    bool calculated = false;  // has a calculation
    bool setUp = false;       // a calculation that named its source
};

class HostDocument final : public IHostDocument {
public:
    // [in] document: a framework document. Null when it lacks its recording or calculations.
    static platform::ComPtr<HostDocument> Create(IZorDocument* document);

    HostDocument(const HostDocument&) = delete;
    HostDocument& operator=(const HostDocument&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IHostDocument (contracts in document_access.h).
    HRESULT GetHostSelection(IHostSelection** selection) override;
    HRESULT GetChannelRecord(int32_t channel, IChannelRecord** record) override;
    HRESULT GetDataAccess(IRecordData** data) override;

    // The host's side.
    IZorDocument* Document() const { return document_.Get(); }
    IRecording* Recording() const { return recording_.Get(); }
    IChannelCalculations* Calculations() const { return calculations_.Get(); }
    HostSelection* Selection() const { return selection_.Get(); }
    HostDataAccess* DataAccess() const { return access_.Get(); }

    int32_t ChannelCount() const;
    int32_t BlockCount() const;
    // The block's length in samples (its longest channel); 0 for a block that does not exist.
    int64_t BlockLength(int32_t block) const;
    bool HasCalculation(int32_t channel) const;
    // The channel's properties (defaults for a channel that does not exist).
    ChannelInfo Info(int32_t channel) const;

    // The channel a calculated channel reads, as its settings name it; until they do, the
    // channel the user chose when adding the calculation (SetIntendedSource); failing that,
    // the first channel without a calculation. -1 when there is none.
    int32_t SourceOf(int32_t calculatedChannel) const;
    // Remembers the source chosen for a calculated channel that has no settings yet.
    void SetIntendedSource(int32_t calculatedChannel, int32_t source) { intended_[calculatedChannel] = source; }
    // True once the channel's calculation named its source (its settings were applied).
    bool IsSetUp(int32_t calculatedChannel) const;

private:
    HostDocument(IZorDocument* document, IRecording* recording, IChannelCalculations* calculations,
                 HostDataAccess* access);
    ~HostDocument() = default;

    std::atomic<int32_t> refs_{0};
    platform::ComPtr<IZorDocument> document_;
    platform::ComPtr<IRecording> recording_;
    platform::ComPtr<IChannelCalculations> calculations_;
    platform::ComPtr<HostDataAccess> access_;
    platform::ComPtr<HostSelection> selection_;
    std::map<int32_t, int32_t> intended_;  // calculated channel -> source chosen when added
};

}  // namespace Velogram
