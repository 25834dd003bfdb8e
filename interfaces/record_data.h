// The host's record-data family: a recording seen as channels of float samples in blocks
// (IRecordData), the observers of its changes (IRecordDataObserver) and their registration
// (IRecordDataObservers). Components written to plot or enumerate recordings read through
// IRecordData; the tabulated data of the table components answers it too, as one block whose
// channels are its columns.
//
// Conventions of IRecordData:
// - Channels and blocks are numbered from 0. Where a block argument is a selector, the value
//   kCurrentBlockSelector (0xC0000000) asks for the block being recorded or shown.
// - A flags argument that the slot describes as "must be 0" gives E_INVALIDARG otherwise.
// - Out-pointers are filled on success; on a failure a count is set to 0 and an interface
//   pointer to null.
// - Slots with Reserved names are the host's; implementations answer them with E_NOTIMPL.
//   Slot numbers are in the comments (IUnknown's three count as 0 to 2).
#pragma once

#include <cstdint>

#include "interfaces/enum_float_ex.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"
#include "platform/variant.h"

// Declared with the pixel map of record data and the bit sets of block boundaries.
struct IRecordDataPixMap;
struct IEnumFloatPixEx;
struct IKVIBitset;

constexpr IID IID_IRecordData = platform::Guid("{AD6CD303-7868-4A12-B4AE-97C02EE8F5E3}");
// IIDs chosen by this system.
constexpr IID IID_IRecordDataObserver = platform::Guid("{6A0D2C47-5E3B-4F18-9C61-2B7E84D0A913}");
constexpr IID IID_IRecordDataObservers = platform::Guid("{E2B1F6A8-3C49-4D7E-8A05-91C3D76B24E5}");

constexpr uint32_t kCurrentBlockSelector = 0xC0000000u;

// The extent of a channel's samples in a block (IRecordData slot 10).
struct RecordExtent {
    int64_t sampleCount = 0;  // samples in the block
    int64_t firstSample = 0;  // position of the first of them
};

struct IRecordData : IUnknown {
    // [out] a new string reference: the channel's name.
    virtual HRESULT GetChannelName(int32_t channel, IAutoKVIString** out) = 0;  // 3
    virtual HRESULT GetChannelCount(int32_t* out) = 0;                         // 4
    // [out] samples in the block (the longest channel).
    virtual HRESULT GetSampleCount(uint32_t block, int32_t* out) = 0;  // 5
    // [out] samples of one channel in the block; 0 and E_INVALIDARG for an unknown channel.
    virtual HRESULT GetChannelSampleCount(int32_t channel, uint32_t block, int32_t* out) = 0;  // 6
    // [out] the number of blocks.
    virtual HRESULT GetBlockCount(int32_t* out) = 0;  // 7
    virtual HRESULT Reserved8() = 0;                  // 8
    // [in] flags: must be 0. [out] the block's length in samples.
    virtual HRESULT GetBlockLength(uint32_t block, uint32_t flags, int32_t* out) = 0;  // 9
    // [out] the extent of the channel's samples in the block; E_INVALIDARG for a null record.
    virtual HRESULT GetChannelExtent(int32_t channel, uint32_t block, RecordExtent* out) = 0;  // 10
    // [out] a new reference to the bit set of marks on the boundary before the block.
    virtual HRESULT GetBoundaryMarks(uint32_t selector, int32_t block, IKVIBitset** out) = 0;  // 11
    // [out] the block that new samples go to.
    virtual HRESULT GetAppendingBlock(int32_t* out) = 0;  // 12
    virtual HRESULT Reserved13() = 0;                     // 13
    // [in] flags: must be 0. [out] VARIANT_TRUE (-1) when the channel has samples in the block.
    virtual HRESULT HasSamples(int32_t channel, uint32_t block, uint32_t flags, VARIANT_BOOL* out) = 0;  // 14
    // [in] flags: must be 0. [out] a new string reference: the channel's unit text.
    virtual HRESULT GetChannelUnits(int32_t channel, uint32_t flags, IAutoKVIString** out) = 0;  // 15
    virtual HRESULT Reserved16() = 0;  // 16
    virtual HRESULT Reserved17() = 0;  // 17
    virtual HRESULT Reserved18() = 0;  // 18
    virtual HRESULT Reserved19() = 0;  // 19
    virtual HRESULT Reserved20() = 0;  // 20
    virtual HRESULT Reserved21() = 0;  // 21
    virtual HRESULT Reserved22() = 0;  // 22
    virtual HRESULT Reserved23() = 0;  // 23
    virtual HRESULT Reserved24() = 0;  // 24
    virtual HRESULT Reserved25() = 0;  // 25
    virtual HRESULT Reserved26() = 0;  // 26
    virtual HRESULT Reserved27() = 0;  // 27
    virtual HRESULT Reserved28() = 0;  // 28
    // As GetValue, widened to double.
    virtual HRESULT GetValueDouble(int32_t channel, uint32_t block, int64_t sample, uint32_t flags,
                                   const double* scale, double* out) = 0;  // 29
    // [in] flags: must be 0; scale: null, or a pair (a, b) that makes the result a * (b + value).
    // [out] the sample's value.
    virtual HRESULT GetValue(int32_t channel, uint32_t block, int64_t sample, uint32_t flags,
                             const double* scale, float* out) = 0;  // 30
    virtual HRESULT Reserved31() = 0;  // 31
    // [in] start, end: the samples from start up to (not including) end; flags: must be 0.
    // [out] a new stream over them.
    virtual HRESULT CreateValueEnum(int32_t channel, uint32_t block, int64_t start, int64_t end, uint32_t flags,
                                    IEnumFloatEx** out) = 0;  // 32
    // [out] a new pixel map over this record, with a reference.
    virtual HRESULT CreatePixMap(IRecordDataPixMap** out) = 0;  // 33
    // [in] scaleP, scaleQ: pixels per sample as the ratio p / q. [out] the block's width in
    // pixels.
    virtual HRESULT GetBlockWidth(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ,
                                  int64_t* out) = 0;  // 34
    // [in] offset: pixels from the start of the block's data. [out] the sample position there.
    virtual HRESULT PixelToSample(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ, int64_t offset,
                                  int64_t* out) = 0;  // 35
    virtual HRESULT Reserved36() = 0;  // 36
    virtual HRESULT Reserved37() = 0;  // 37
    // [in] count: samples wanted from start (not negative). [out] a new stream of the samples
    // with 64-bit positions.
    virtual HRESULT CreatePixelEnum(int32_t channel, uint32_t block, int64_t start, int64_t count, int64_t scaleP,
                                    int64_t scaleQ, IEnumFloatPixEx** out) = 0;  // 38

protected:
    ~IRecordData() = default;
};

// Told about changes of a record. Only slot 3 is called by this system.
struct IRecordDataObserver : IUnknown {
    // The record's contents changed from (first, last); (0, 0) after a reset of everything.
    virtual HRESULT OnRecordChanged(int32_t first, int32_t last) = 0;  // 3

protected:
    ~IRecordDataObserver() = default;
};

struct IRecordDataObservers : IUnknown {
    // Appends the observer with a reference; the same observer may be added twice. E_POINTER
    // for null.
    virtual HRESULT AddRecordObserver(IRecordDataObserver* observer) = 0;  // 3
    // Removes the first entry equal to the observer and releases it; E_FAIL when absent.
    virtual HRESULT RemoveRecordObserver(IRecordDataObserver* observer) = 0;  // 4

protected:
    ~IRecordDataObservers() = default;
};
