// Velogram::ChannelRecord: one channel of a document as the data window shows it
// (IChannelRecord, interfaces/document_access.h): its units-conversion switch, its unit,
// its display range and its trace colour, read from the document's recording each time they
// are asked for, so a record handed out earlier never goes stale.
//
// A channel's unit is the same in every block here: GetUnitAt checks the position it is given
// and answers the channel's unit. The display range is in the channel's prefixed unit, as the
// recording keeps it.
//
// Reference counting as SimpleUnknownImp1 (Create hands out the first reference). Holds a
// reference to the recording and to the record of its blocks. Threads: the user-interface
// thread only.
#pragma once

#include <cstdint>

#include "interfaces/document_access.h"
#include "interfaces/recording.h"
#include "foundation/simple_unknown_imp.h"
#include "platform/com_ptr.h"

namespace Velogram {

class ChannelRecord final : public SimpleUnknownImp1<IChannelRecord> {
public:
    // [in] recording: the channel's document; blocks: its blocks and their lengths (positions
    // are checked against them); channel: 0-based, an existing channel.
    static platform::ComPtr<ChannelRecord> Create(IRecording* recording, IRecordData* blocks, int32_t channel);

    // IChannelRecord (contracts in document_access.h). Failures of the recording (a channel
    // that no longer exists) are passed on.
    HRESULT GetUnitsConversion(int32_t* on) override;
    HRESULT GetUnitAt(const HostPosition* at, IUnitName** unit) override;
    HRESULT GetDisplayRange(double* top, double* bottom) override;
    HRESULT GetColour(uint32_t* rgb) override;

    int32_t Channel() const { return channel_; }

private:
    ChannelRecord(IRecording* recording, IRecordData* blocks, int32_t channel);
    ~ChannelRecord() override = default;

    platform::ComPtr<IRecording> recording_;
    platform::ComPtr<IRecordData> blocks_;
    int32_t channel_;
};

}  // namespace Velogram
