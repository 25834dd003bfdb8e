// Change notification of the tabulated data: announcements, their suspension and the pending
// changes collected meanwhile.
#include "guilib/table/tabulated_data.h"

namespace GUILib {

void CTabulatedData::AnnounceColumnChange(int32_t columnCount)
{
    pendingColumns_.Merge(columnCount, columnCount);
    if (Live()) SendColumnChange();
}

void CTabulatedData::AnnounceRowChange(int32_t column, int32_t first, int32_t last)
{
    NamedDataColumn* c = Column(column);
    if (!c) return;
    c->pending_.Merge(first, last);
    if (Live()) SendRowChange(column);
}

void CTabulatedData::AnnounceReset()
{
    pendingReset_ = true;
    if (Live()) SendReset();
}

// Each Send clears what it sends before calling out, so that an observer that changes the table
// from inside its notification has its own change collected afresh.
void CTabulatedData::SendColumnChange()
{
    pendingColumns_.Clear();
    for (const auto& o : tableObservers_.Snapshot()) o->OnColumnsChanged();
}

void CTabulatedData::SendRowChange(int32_t column)
{
    if (NamedDataColumn* c = Column(column)) c->pending_.Clear();
    for (const auto& o : tableObservers_.Snapshot()) o->OnRowsChanged(column);
}

void CTabulatedData::SendReset()
{
    // A reset tells everyone to read everything again: whatever else was collected is covered.
    ClearPending();
    for (const auto& o : recordObservers_.Snapshot()) o->OnRecordChanged(0, 0);
    for (const auto& o : tableObservers_.Snapshot()) o->OnReset();
}

void CTabulatedData::ClearPending()
{
    pendingReset_ = false;
    pendingColumns_.Clear();
    for (const ColumnPtr& c : columns_)
        if (c) c->pending_.Clear();
}

void CTabulatedData::SendOnlineNotification()
{
    if (!online_) return;
    int32_t rows = 0;
    GetSampleCount(kCurrentBlockSelector, &rows);
    if (rows == lastOnlineRows_) return;
    const int32_t difference = rows - lastOnlineRows_;
    lastOnlineRows_ = rows;
    RelayToSinks([difference](IOnlineDataSink* s) { s->OnNewData(difference); });
}

HRESULT CTabulatedData::SendPendingChanges()
{
    if (!Live()) return S_FALSE;
    return Guarded([&] {
        SendOnlineNotification();
        if (pendingReset_) {
            SendReset();
        } else if (pendingColumns_.set) {
            // The column change tells observers to look at every column again, so the row
            // changes collected with it are dropped too.
            for (const ColumnPtr& c : columns_)
                if (c) c->pending_.Clear();
            SendColumnChange();
        } else {
            for (size_t i = 0; i < columns_.size(); ++i) {
                // Looked up by index on every turn: an observer may change the columns.
                NamedDataColumn* c = Column(static_cast<int32_t>(i));
                if (c && c->pending_.set) SendRowChange(static_cast<int32_t>(i));
            }
        }
        return S_OK;
    });
}

}  // namespace GUILib
