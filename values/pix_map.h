// GUILib::PixMap: the blocks of a record laid side by side on one horizontal pixel axis, with a
// gap before each block, and the conversions between pixels and (block, sample) positions
// (IRecordDataPixMap, interfaces/record_data_pixmap.h, has the slot contracts).
//
// Layout. Block i's extent starts at start(i): start(0) = 0 and start(i + 1) = start(i) +
// gap(i) + width(i), where width(i) is the record's answer for the block at the map's scale
// (record slot 34) and gap(i) is the leading gap for block 0, else the marked gap when the
// record's bit set for block i's boundary (record slot 11) carries any bit, else the normal
// gap. The block's data starts at start(i) + gap(i). The last block ends at its data start plus
// its width asked again, because the block being recorded keeps growing.
//
// Every setting change (record, scale, gaps, option) marks the layout stale; the next query
// rebuilds it (record slot 7 gives the block count). While the record cannot tell its blocks
// or widths, queries fail with its result and the map stays stale, so it asks again.
//
// Reference counting: the count starts at 0; Create hands out the first reference. The map
// holds a reference to its record; the record holds none to the map.
//
// Single-threaded: used from the thread that draws the record's window.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/record_data_pixmap.h"
#include "foundation/simple_unknown_imp.h"
#include "platform/com_ptr.h"

namespace GUILib {

class PixMap final : public SimpleUnknownImp1<IRecordDataPixMap> {
public:
    // [in] record: an object answering IRecordData, or null. Throws std::bad_alloc.
    static platform::ComPtr<PixMap> Create(IUnknown* record);

    // IRecordDataPixMap.
    HRESULT SetOption(int32_t option) override;
    HRESULT Reserved4() override;
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT SetGap(int32_t type, int32_t pixels) override;
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT SetScale(int64_t p, int64_t q) override;
    HRESULT GetScale(int64_t* p, int64_t* q) override;
    HRESULT Reserved10() override;
    HRESULT SetRecord(IUnknown* record) override;
    HRESULT Rebuild() override;
    HRESULT BeginAppend() override;
    HRESULT Reserved14() override { return E_NOTIMPL; }
    HRESULT EndAppend() override;
    HRESULT GetAppendPixel(int64_t* out) override;
    HRESULT GetRecord(IRecordData** out) override;
    HRESULT GetTotalWidth(int64_t* out) override;
    HRESULT GetBlockCount(int32_t* out) override;
    HRESULT Reserved20() override { return E_NOTIMPL; }
    HRESULT PixelToBlock(int64_t x, int64_t* offset, int32_t* block, int64_t* end) override;
    HRESULT Reserved22() override { return E_NOTIMPL; }
    HRESULT GetBlockExtent(int32_t block, int64_t* gapOffset, int64_t* end) override;
    HRESULT PixelToSample(int32_t mode, int64_t x, int64_t* sample, int32_t* block) override;
    HRESULT Reserved25() override { return E_NOTIMPL; }
    HRESULT Reserved26() override { return E_NOTIMPL; }
    HRESULT Reserved27() override { return E_NOTIMPL; }
    HRESULT Reserved28() override { return E_NOTIMPL; }

private:
    // One laid-out block: where its extent starts and the gap before its data.
    struct Slot {
        int64_t start;
        int32_t gap;
    };

    PixMap();
    ~PixMap() override = default;

    // Rebuilds the layout when stale. The record's failure, or E_OUTOFMEMORY.
    HRESULT EnsureLaidOut();
    HRESULT Layout();
    // The gap before block i by the leading, normal and marked rule.
    int32_t GapBefore(int32_t block) const;
    // [out] the block's width in pixels at the map's scale (a negative answer counts as 0).
    HRESULT WidthOf(int32_t block, int64_t* out) const;
    // [out] the end pixel of a laid-out block.
    HRESULT EndOf(int32_t block, int64_t* out) const;
    // [out] the end of the last block; 0 with none.
    HRESULT TotalWidth(int64_t* out) const;
    // The last laid-out block whose extent starts at or before x; 0 for a negative x. The
    // layout must not be empty.
    int32_t FindBlock(int64_t x) const;
    int32_t LaidOutCount() const { return static_cast<int32_t>(slots_.size()); }
    int64_t DataStart(int32_t block) const { return slots_[static_cast<size_t>(block)].start + GapOf(block); }
    int32_t GapOf(int32_t block) const { return slots_[static_cast<size_t>(block)].gap; }

    platform::ComPtr<IRecordData> record_;
    int64_t scaleP_ = 1;
    int64_t scaleQ_ = 1;
    std::vector<Slot> slots_;
    int32_t leadingGap_ = 0;
    int32_t normalGap_ = 0;
    int32_t markedGap_ = 0;
    int32_t appendBlock_ = 0;
    bool appending_ = false;
    int32_t option_ = 0;  // the owner's; not interpreted
    bool stale_ = true;
};

}  // namespace GUILib
