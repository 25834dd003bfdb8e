#include "settings_dialog/selection_reader.h"

#include <algorithm>
#include <limits>

#include "platform/com_ptr.h"

namespace Tessar {

using platform::ComPtr;

SelectionReader::SelectionReader(IHostDocument* document, IHostSelection* selection, int32_t channel)
    : document_(document), selection_(selection), channel_(channel)
{
}

int32_t SelectionReader::Read(SelectionSink& sink, double factor, const StreamAdapter& adapter) const
{
    sink.ClearSamples();
    ComPtr<IRecordData> data;
    if (!document_ || FAILED(document_->GetDataAccess(data.Put())) || !data) {
        sink.SetState(SelectionSink::kNoSelection);
        return SelectionSink::kNoSelection;
    }
    int32_t has = 0;
    if (!selection_ || FAILED(selection_->HasSelection(&has)) || !has) {
        sink.SetState(SelectionSink::kNoSelection);
        return SelectionSink::kNoSelection;
    }
    HostPosition start;
    HostPosition end;
    if (selection_->GetSelection(&start, &end) != S_OK) {
        sink.SetState(SelectionSink::kNoSelection);
        return SelectionSink::kNoSelection;
    }
    if (end.block < start.block) {
        sink.SetState(SelectionSink::kNoData);
        return SelectionSink::kNoData;
    }
    // A selection that names blocks the recording does not have must not turn into billions
    // of questions: only the blocks there are are asked (none when their number is unknown).
    int32_t count = 0;
    if (FAILED(data->GetBlockCount(&count))) count = 0;
    const int32_t lastBlock = std::min(end.block, count - 1);
    bool any = false;
    for (int32_t block = std::max(start.block, 0); block <= lastBlock; ++block) {
        const int64_t from = block == start.block ? std::max<int64_t>(start.sample, 0) : 0;
        int64_t to = std::numeric_limits<int64_t>::max();
        if (block == end.block) {
            to = end.sample;
        } else if (int32_t length = 0; SUCCEEDED(data->GetBlockLength(static_cast<uint32_t>(block), 0, &length))) {
            to = length;
        }
        if (!ReadBlock(data.Get(), sink, block, from, std::max(from, to), factor, adapter)) continue;
        any = true;
    }
    const int32_t state = any ? SelectionSink::kData : SelectionSink::kNoData;
    if (!any) sink.SetState(state);
    return state;
}

bool SelectionReader::ReadBlock(IRecordData* data, SelectionSink& sink, int32_t block, int64_t start, int64_t end,
                                double factor, const StreamAdapter& adapter) const
{
    VARIANT_BOOL has = VARIANT_FALSE;
    if (FAILED(data->HasSamples(channel_, static_cast<uint32_t>(block), 0, &has)) || has == VARIANT_FALSE)
        return false;
    sink.SetState(SelectionSink::kData);
    ComPtr<IEnumFloatEx> raw;
    if (FAILED(data->CreateValueEnum(channel_, static_cast<uint32_t>(block), start, end, 0, raw.Put())) || !raw)
        return true;
    sink.BeginBlock(block, start);
    if (!adapter) {
        sink.LoadSamples(raw.Get(), factor);
        return true;
    }
    ComPtr<IEnumFloatEx> loaded;
    if (SUCCEEDED(adapter(raw.Get(), loaded.Put())) && loaded) sink.LoadSamples(loaded.Get(), factor);
    return true;
}

}  // namespace Tessar
