// Velogram::HostSelection: the host selection of a document's data window (IHostSelection,
// interfaces/document_access.h): the span the user dragged across the data, from a start
// position up to (not including) an end position, each a block and a sample offset in it.
//
// The data window sets it from the mouse; a settings dialog reads it and may replace it (a
// selection cut at the end of its first block). Either way the owner's listener is told, so the
// window shows the new span.
//
// Positions are checked against the record's blocks and block lengths (IRecordData slots 7 and
// 9, the longest channel of each block): an offset may lie anywhere from 0 to the block's length
// inclusive. An empty span (start equal to end) is no selection.
//
// Reference counting as SimpleUnknownImp1 (Create hands out the first reference). Holds a
// reference to its record. Threads: the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "interfaces/document_access.h"
#include "foundation/simple_unknown_imp.h"
#include "platform/com_ptr.h"

namespace Velogram {

class HostSelection final : public SimpleUnknownImp1<IHostSelection> {
public:
    // [in] record: the recording's blocks (may be null: then no position is valid).
    static platform::ComPtr<HostSelection> Create(IRecordData* record);

    // IHostSelection.
    HRESULT HasSelection(int32_t* has) override;
    HRESULT GetSelection(HostPosition* start, HostPosition* end) override;
    // E_POINTER for a null position. An empty span clears the selection (S_OK).
    HRESULT SetSelection(const HostPosition* start, const HostPosition* end) override;

    // The host's side.
    bool Has() const { return has_; }
    HostPosition Start() const { return start_; }
    HostPosition End() const { return end_; }
    // Removes the selection (the listener is told when there was one).
    void Clear();
    // [in] listener: called after every change of the selection; empty: none.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    explicit HostSelection(IRecordData* record);
    ~HostSelection() override = default;

    void Changed() const;

    platform::ComPtr<IRecordData> record_;
    bool has_ = false;
    HostPosition start_;
    HostPosition end_;
    std::function<void()> listener_;
};

// True when a lies before b in the recording (an earlier block, or the same block and a
// smaller offset).
bool PositionBefore(const HostPosition& a, const HostPosition& b);

// True when the position names a block of the record (null: none) and an offset from 0 to that
// block's length inclusive.
bool IsPositionInRecord(IRecordData* record, const HostPosition& position);

}  // namespace Velogram
