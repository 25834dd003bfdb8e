// Reading one channel of a record-data source into memory, as the table grid and the XY graph
// do before they draw it.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/record_data.h"
#include "foundation/kvi_string.h"

namespace GUILib {

// Samples are asked from a value stream in batches of this many.
inline constexpr uint32_t kChannelReadBatch = 16;

// Reads every sample of a channel in the current block (kCurrentBlockSelector): the count from
// GetChannelExtent (slot 10), the values through a stream from CreateValueEnum (slot 32) over
// samples 0 .. count, read kChannelReadBatch at a time until the count is reached or the stream
// ends early.
// [in] data: the source, not null; channel: 0-based.
// [out] values: replaced by what was read.
// Results: S_OK (also for a channel without samples and a stream that ends early); the failure
// of slot 10, 32 or of the stream's Next, with values left holding what was read before it
// (empty when slot 10 or 32 failed).
HRESULT ReadChannelValues(IRecordData* data, int32_t channel, std::vector<float>& values);

// The channel's name (slot 3); the empty text when the slot fails.
KVI::String ReadChannelName(IRecordData* data, int32_t channel);

}  // namespace GUILib
