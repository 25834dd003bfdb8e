#include "host/velogram/host_selection.h"

namespace Velogram {

using platform::ComPtr;

bool PositionBefore(const HostPosition& a, const HostPosition& b)
{
    return a.block < b.block || (a.block == b.block && a.sample < b.sample);
}

bool IsPositionInRecord(IRecordData* record, const HostPosition& position)
{
    if (!record || position.block < 0 || position.sample < 0) return false;
    int32_t blocks = 0;
    if (FAILED(record->GetBlockCount(&blocks)) || position.block >= blocks) return false;
    int32_t length = 0;
    if (FAILED(record->GetBlockLength(static_cast<uint32_t>(position.block), 0, &length))) return false;
    return position.sample <= length;
}

ComPtr<HostSelection> HostSelection::Create(IRecordData* record)
{
    return ComPtr<HostSelection>(new HostSelection(record));
}

HostSelection::HostSelection(IRecordData* record) : SimpleUnknownImp1(IID_IHostSelection), record_(record) {}

HRESULT HostSelection::HasSelection(int32_t* has)
{
    if (!has) return E_POINTER;
    *has = has_ ? 1 : 0;
    return S_OK;
}

HRESULT HostSelection::GetSelection(HostPosition* start, HostPosition* end)
{
    if (!start || !end) return E_POINTER;
    if (!has_) return S_FALSE;
    *start = start_;
    *end = end_;
    return S_OK;
}

HRESULT HostSelection::SetSelection(const HostPosition* start, const HostPosition* end)
{
    if (!start || !end) return E_POINTER;
    if (!IsPositionInRecord(record_.Get(), *start) || !IsPositionInRecord(record_.Get(), *end) ||
        PositionBefore(*end, *start))
        return E_INVALIDARG;
    const bool empty = !PositionBefore(*start, *end);
    if (empty) {
        Clear();
        return S_OK;
    }
    has_ = true;
    start_ = *start;
    end_ = *end;
    Changed();
    return S_OK;
}

void HostSelection::Clear()
{
    if (!has_) return;
    has_ = false;
    start_ = HostPosition{};
    end_ = HostPosition{};
    Changed();
}

void HostSelection::Changed() const
{
    // A copy: the listener may replace itself.
    if (const auto listener = listener_) listener();
}

}  // namespace Velogram
