// The pixel side of the record-data family: IRecordDataPixMap lays a record's blocks side by
// side on one horizontal pixel axis, with gaps between them, and converts between pixels and
// (block, sample) positions; IEnumFloatPixEx is a stream of float values with 64-bit positions.
// The bit sets of block boundaries (IKVIBitset) are declared with their implementation in
// foundation/bitset_rep.h.
//
// Pixels are 64-bit. The scale is a ratio p / q of pixels per sample that the map hands to the
// record when it asks for block widths and sample positions. The gap before a block is the
// leading gap for block 0, the marked gap when the boundary before the block carries marks,
// and the normal gap otherwise; a block's extent runs from the start of its gap to the start of
// the next block's gap. Slots with Reserved names are the host's; this system answers them with
// E_NOTIMPL. Slot numbers are in the comments (IUnknown's three count as 0 to 2).
#pragma once

#include <cstdint>

#include "interfaces/record_data.h"
#include "foundation/bitset_rep.h"
#include "platform/unknown.h"

constexpr IID IID_IRecordDataPixMap = platform::Guid("{49896434-BD68-40F9-AB75-7892BDE78CF3}");
// IID chosen by this system.
constexpr IID IID_IEnumFloatPixEx = platform::Guid("{C3A7E915-6B2D-4F08-9E4C-17D58A2B60F3}");

// The kinds of gap (IRecordDataPixMap::SetGap).
enum PixMapGap : int32_t {
    kLeadingGap = 0,  // before block 0
    kNormalGap = 1,   // before a block whose boundary carries no marks
    kMarkedGap = 2,   // before a block whose boundary carries marks
};

// Every query rebuilds the block layout first when a setting changed since it was built. Out
// pointers must not be null (E_POINTER) unless a slot says otherwise.
struct IRecordDataPixMap : IUnknown {
    // Stores an option word of the owner's (not interpreted); the layout is rebuilt at the
    // next query.
    virtual HRESULT SetOption(int32_t option) = 0;  // 3
    // Marks the layout for rebuilding; E_NOTIMPL.
    virtual HRESULT Reserved4() = 0;  // 4
    virtual HRESULT Reserved5() = 0;  // 5
    // [in] type: a PixMapGap; pixels: the gap's width. E_INVALIDARG for another type or a
    // negative width.
    virtual HRESULT SetGap(int32_t type, int32_t pixels) = 0;  // 6
    virtual HRESULT Reserved7() = 0;                           // 7
    // [in] p, q: pixels per sample as p / q (both above 0; E_INVALIDARG otherwise).
    virtual HRESULT SetScale(int64_t p, int64_t q) = 0;  // 8
    // [out] the scale (1 / 1 at first).
    virtual HRESULT GetScale(int64_t* p, int64_t* q) = 0;  // 9
    // Marks the layout for rebuilding; E_NOTIMPL.
    virtual HRESULT Reserved10() = 0;  // 10
    // [in] record: an object that answers IRecordData, or null. A null or non-answering object
    // leaves the map without a record (then it has no blocks): S_OK for null, E_NOINTERFACE
    // for an object that does not answer.
    virtual HRESULT SetRecord(IUnknown* record) = 0;  // 11
    // Rebuilds the layout now. Fails with the record's failure when it cannot tell its blocks.
    virtual HRESULT Rebuild() = 0;  // 12
    // Online sampling starts or continues a block: the record's appending block (its slot 12)
    // becomes the one being extended; when it is the block after the last known one, its start
    // is added at the end of the last block.
    virtual HRESULT BeginAppend() = 0;  // 13
    virtual HRESULT Reserved14() = 0;   // 14
    virtual HRESULT EndAppend() = 0;    // 15
    // [out] the pixel where new data goes: while appending, where the appending block's data
    // starts; otherwise the end of the last block plus the gap of the block that would follow.
    virtual HRESULT GetAppendPixel(int64_t* out) = 0;  // 16
    // [out] the record with a reference, or null (S_OK) without one.
    virtual HRESULT GetRecord(IRecordData** out) = 0;  // 17
    // [out] the end of the last block; 0 with no blocks.
    virtual HRESULT GetTotalWidth(int64_t* out) = 0;  // 18
    // [out] the number of blocks laid out.
    virtual HRESULT GetBlockCount(int32_t* out) = 0;  // 19
    virtual HRESULT Reserved20() = 0;                 // 20
    // [in] x: a pixel. [out] block: the last block whose extent starts at or before x (0 for
    // a negative x); offset: x minus where that block's data starts (negative in its gap);
    // end: the end of that block. S_OK when x lies in the block's extent; S_FALSE when x is
    // negative or at or beyond the end (with no blocks: block 0, end 0). Out pointers may be
    // null.
    virtual HRESULT PixelToBlock(int64_t x, int64_t* offset, int32_t* block, int64_t* end) = 0;  // 21
    virtual HRESULT Reserved22() = 0;  // 22
    // [out] gapOffset: minus the width of the gap before the block (the start of its extent
    // relative to where its data starts); end: the block's end pixel. For a block that is not
    // laid out both are INT64_MIN, with S_FALSE beyond the last block and E_INVALIDARG for a
    // negative index.
    virtual HRESULT GetBlockExtent(int32_t block, int64_t* gapOffset, int64_t* end) = 0;  // 23
    // [in] mode: 0 snaps a pixel in the right half of a gap to the start of the following
    // block and one in the left half to the end of the preceding block; 1 snaps every pixel
    // in a gap to the end of the preceding block. [out] sample, block: the sample position
    // there. In a block's data the record converts the pixel (its slot 35) and its result is
    // returned; in a gap with no preceding block (or with another mode) the result is sample 0
    // of the block after the gap and S_OK. With no blocks: sample 0, block 0 and S_FALSE.
    virtual HRESULT PixelToSample(int32_t mode, int64_t x, int64_t* sample, int32_t* block) = 0;  // 24
    virtual HRESULT Reserved25() = 0;  // 25
    virtual HRESULT Reserved26() = 0;  // 26
    virtual HRESULT Reserved27() = 0;  // 27
    virtual HRESULT Reserved28() = 0;  // 28

protected:
    ~IRecordDataPixMap() = default;
};

// A stream of float values with 64-bit positions, one value per position.
struct IEnumFloatPixEx : IUnknown {
    // Moves the position by count values (negative: back). [out] moved: the distance moved
    // (may be null). S_OK when the whole count was moved; S_FALSE when the position stopped at
    // the first value or at the end.
    virtual HRESULT Skip(int64_t count, int64_t* moved) = 0;  // 3
    virtual HRESULT Reset() = 0;                              // 4
    // [out] the position of the next value.
    virtual HRESULT GetPosition(int64_t* out) = 0;  // 5
    // [out] cleared to 0; E_NOTIMPL.
    virtual HRESULT Reserved6(int64_t* out) = 0;  // 6
    // [out] positions per value as the ratio numerator / denominator, in lowest terms.
    virtual HRESULT Describe(int64_t* numerator, int64_t* denominator) = 0;  // 7
    // [in] count: values wanted; buffer: room for count floats. [out] returned: values
    // delivered (may be null). S_OK when count were delivered, else S_FALSE (0 at the end).
    virtual HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) = 0;  // 8
    // [out] an independent copy at the same position and limit.
    virtual HRESULT Clone(IEnumFloatPixEx** out) = 0;  // 9

protected:
    ~IEnumFloatPixEx() = default;
};
