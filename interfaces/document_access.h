// What a calculation's settings dialog reads of the host's document: the host selection in the
// data window (IHostSelection), the records of the channels (IChannelRecord), and the samples
// through the data-access object (IRecordData, record_data.h). The document interface
// (IHostDocument) leads to all three.
//
// The document argument of ICalculationClass::EditSettings (class_objects.h) is the host's
// document object; QueryInterface(IID_IHostDocument) on it gives this interface. The same object
// is what the fit report prints through: it answers IID_IZORPrinting (printing.h).
//
// Positions in the recording are (block, sample offset in the block), both from 0. A selection
// runs from its start position up to, not including, its end position; start and end may lie in
// different blocks (then it covers the rest of the start block, the blocks between, and the end
// block up to its end offset).
//
// Threads: the user-interface thread only. Out-pointers that are null give E_POINTER; on a
// failure an interface out-pointer is set to null.
#pragma once

#include <cstdint>

#include "interfaces/record_data.h"
#include "interfaces/unit_name.h"
#include "platform/unknown.h"

// IIDs chosen by this system.
constexpr IID IID_IHostDocument = platform::Guid("{E207FB69-8F3F-42F2-81F4-9D07253EB244}");
constexpr IID IID_IHostSelection = platform::Guid("{FBEAA022-92C0-4F0C-B8FE-FE7F80DFDB99}");
constexpr IID IID_IChannelRecord = platform::Guid("{9C87F30D-ED27-48F9-9ED2-B23010302F4F}");

// The value a caller puts into both fields of a position before the host fills it, so that a
// position the host left alone is recognisable.
constexpr int32_t kUnsetPosition = 0x7FFFFFFF;

struct HostPosition {
    int32_t block = kUnsetPosition;   // block index, from 0
    int64_t sample = kUnsetPosition;  // sample offset in the block, from 0
};

// The host selection: the span of the recording the user has selected in the data window.
struct IHostSelection : IUnknown {
    // [out] has: 1 when there is a selection, else 0. S_OK.
    virtual HRESULT HasSelection(int32_t* has) = 0;  // 3
    // [out] start: the first selected position; end: the position just after the last selected
    // sample (so start == end in one block is empty). S_OK with both filled; S_FALSE when there
    // is no selection, leaving both as the caller set them.
    // NOTE: the host does not promise that end follows start; callers check the blocks.
    virtual HRESULT GetSelection(HostPosition* start, HostPosition* end) = 0;  // 4
    // Replaces the selection (e.g. a selection cut at the end of its first block: end =
    // (start block, that block's length)); the data window shows the new one.
    // [in] start, end: as slot 4 gives them. S_OK; E_INVALIDARG (selection kept) when a block
    // does not exist, an offset is negative or beyond its block's length, or end lies before
    // start.
    virtual HRESULT SetSelection(const HostPosition* start, const HostPosition* end) = 0;  // 5

protected:
    ~IHostSelection() = default;
};

// One channel of the document as the data window shows it.
struct IChannelRecord : IUnknown {
    // [out] on: 1 when units conversion is on for the channel, else 0. S_OK.
    virtual HRESULT GetUnitsConversion(int32_t* on) = 0;  // 3
    // The channel's unit at a position of the recording (a host may change a channel's unit
    // from block to block). [in] at: the position, or null for the host's default position
    // (the start of the recording). [out] unit: a new unit object (flag, prefix, name), one
    // reference held by the caller. E_INVALIDARG for a position outside the recording.
    virtual HRESULT GetUnitAt(const HostPosition* at, IUnitName** unit) = 0;  // 4
    // [out] top, bottom: the values at the top and the bottom of the channel's scale in the data
    // window, in the channel's unit (prefixed; top > bottom).
    virtual HRESULT GetDisplayRange(double* top, double* bottom) = 0;  // 5
    // [out] rgb: the channel's trace colour, 0xRRGGBB.
    virtual HRESULT GetColour(uint32_t* rgb) = 0;  // 6

protected:
    ~IChannelRecord() = default;
};

struct IHostDocument : IUnknown {
    // [out] selection: the host selection of the document's data window, reference added.
    // E_FAIL (null) when the document is shown in no data window.
    virtual HRESULT GetHostSelection(IHostSelection** selection) = 0;  // 3
    // [in] channel: 0-based. [out] record: the channel's record, reference added.
    // E_INVALIDARG for a channel that does not exist.
    virtual HRESULT GetChannelRecord(int32_t channel, IChannelRecord** record) = 0;  // 4
    // [out] data: the data-access object over the document's recording, reference added; null
    // and E_FAIL when the document has none. Callers of this interface rely on its slots
    //    7 GetBlockCount: the number of blocks;
    //    9 GetBlockLength (flags 0): the block's length in samples;
    //   14 HasSamples (flags 0): VARIANT_TRUE when the channel has samples in the block;
    //   32 CreateValueEnum (flags 0): a stream over the channel's samples of the block from
    //      start up to (not including) end, with end cut to the samples the channel has there;
    //      for a calculated channel, its calculated samples.
    virtual HRESULT GetDataAccess(IRecordData** data) = 0;  // 5

protected:
    ~IHostDocument() = default;
};
