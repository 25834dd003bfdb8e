// Tessar::SelectionReader: reads the host selection of one channel, block by block, into the
// selection pane (or anything else that takes samples): the host's raw samples, or the same
// passed through a stream of the caller's (the calibration enumerator, for calculated data).
//
// Reading, given the document, the selection interface and the channel:
// 1. Clear the samples. Ask the document for the data-access object; none: state 0, stop.
// 2. Ask the selection whether there is one; no selection interface, a failure or none: state
//    0, stop.
// 3. Ask for its start and end (block, sample offset), both set to kUnsetPosition first.
//    Anything but S_OK: state 0, stop. An end block before the start block: state 2, stop.
// 4. For each block from the start block to the end block (held to the blocks the recording
//    has, IRecordData slot 7): skip it when the channel has no samples there (IRecordData slot 14). Otherwise state
//    3, and open a stream over the channel's samples of the block (slot 32) from the start
//    offset (in the start block; 0 in the others) to the end offset (in the end block; the
//    block's length, slot 9, in the others), and load it. Samples of consecutive blocks follow
//    one another with no mark between them.
// 5. When no block had samples: state 2.
// Threads: the user-interface thread, as the host interfaces are.
#pragma once

#include <cstdint>
#include <functional>

#include "interfaces/document_access.h"
#include "interfaces/enum_float_ex.h"

namespace Tessar {

// What reading a selection fills.
class SelectionSink {
public:
    // The states a reading sets.
    static constexpr int32_t kNoSelection = 0;
    static constexpr int32_t kNoData = 2;
    static constexpr int32_t kData = 3;

    virtual void ClearSamples() = 0;
    virtual void SetState(int32_t state) = 0;
    // Appends the samples of one block. [in] stream: the block's stream; factor: each sample is
    // multiplied by it (the display unit's prefix factor).
    virtual void LoadSamples(IEnumFloatEx* stream, double factor) = 0;
    // Called before each LoadSamples: the samples that follow are those of block from sample
    // offset firstSample on (so a sink can tell where each of its samples lies in the recording).
    virtual void BeginBlock(int32_t block, int64_t firstSample)
    {
        (void)block;
        (void)firstSample;
    }

protected:
    SelectionSink() = default;
    SelectionSink(const SelectionSink&) = default;
    SelectionSink& operator=(const SelectionSink&) = default;
    ~SelectionSink() = default;
};

// Turns a block's raw stream into the stream to load. [in] raw: the host's stream. [out]
// loaded: the stream to load, one reference for the caller. A failure skips the block (its
// state stays 3).
using StreamAdapter = std::function<HRESULT(IEnumFloatEx* raw, IEnumFloatEx** loaded)>;

class SelectionReader {
public:
    // [in] document, selection: the host's interfaces (either may be null); channel: the
    // 0-based channel whose samples are read. No reference is taken: the caller keeps them
    // alive while it reads.
    SelectionReader(IHostDocument* document, IHostSelection* selection, int32_t channel);

    // Reads the selection into sink as described above. [in] factor: the display factor;
    // adapter: empty for the raw samples. Returns the state it set (0, 2 or 3).
    int32_t Read(SelectionSink& sink, double factor, const StreamAdapter& adapter = {}) const;

private:
    // Loads one block's samples; false when the channel has none there.
    bool ReadBlock(IRecordData* data, SelectionSink& sink, int32_t block, int64_t start, int64_t end,
                   double factor, const StreamAdapter& adapter) const;

    IHostDocument* document_;
    IHostSelection* selection_;
    int32_t channel_;
};

}  // namespace Tessar
