// ColumnProducer: a column that calibrate adds to every row of a CSV recording, computed from
// the raw samples of the source channel, for a chunk of consecutive rows at a time
// (csv_chunk.h). The calibrated channel is one (enumerator_column.h); further columns computed
// from the same raw samples (the prediction band of each calibrated sample, say) are more
// producers beside it, each with its header cell and its number format (AddedColumn).
//
// Chunks are computed on several threads at once, so every job that can run at the same time
// has producers of its own: AddedColumn::makeProducer makes one. A producer is used by one
// thread at a time and sees the chunks of one recording in no particular order, a chunk
// possibly twice (once its decimal mark is known); so a producer counts nothing: counts over
// the raw samples are the chunk's, taken once the chunk is written (CsvChunkFormat::counted).
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "host/velogram/csv_number_format.h"

namespace Velogram {

class ColumnProducer {
public:
    virtual ~ColumnProducer() = default;

    // [in] raw: the source channel's samples of consecutive rows, in base units. [out] values:
    // as many, one per raw sample, in the column's base unit. Throws CommandError.
    virtual void Produce(std::span<const float> raw, std::span<float> values) = 0;
};

struct AddedColumn {
    std::string header;      // the header cell, quoted as the text's delimiter needs
    CsvNumberFormat format;  // how its numbers are written
    // A new producer of the column; called on the thread that reads the recording.
    std::function<std::unique_ptr<ColumnProducer>()> makeProducer;
};

}  // namespace Velogram
