// Zor::RecordingData: the samples and channel properties of a recording, as plain data. The
// document (document.h) guards it with its lock. Samples are kept per channel and block in
// SampleBlocks (sample_block.h), so growing never copies them and sample streams read views
// that stay valid while the recording grows.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "values/units/unit_info.h"
#include "host/zor/sample_block.h"
#include "foundation/kvi_string.h"
#include "platform/hresult.h"

namespace Zor {

struct ChannelRecord {
    KVI::String name;
    KVI::UnitInfo unit;  // the channel's own unit (a calculation reports its own)
    uint32_t colour = 0;  // 0xRRGGBB
    double top = 10.0;
    double bottom = -10.0;
    bool unitsConversion = false;
    std::vector<SampleBlock> blocks;  // one per block
};

// The marks on the boundary before a block, as a bit set: the stored words and a fill word
// (0 or all ones) that stands for every word beyond them. Bit k set: mark k is there. None
// at first.
struct BoundaryMarks {
    std::vector<uint32_t> words;
    uint32_t fill = 0;
};

class RecordingData {
public:
    int32_t ChannelCount() const { return static_cast<int32_t>(channels_.size()); }
    int32_t BlockCount() const { return blocks_; }
    bool HasChannel(int32_t channel) const { return channel >= 0 && channel < ChannelCount(); }
    bool HasBlock(int32_t block) const { return block >= 0 && block < blocks_; }

    // A channel with the default properties and a colour of its own; returns its index.
    int32_t AddChannel(KVI::String name);
    // An empty block for every channel; returns its index.
    int32_t AddBlock();

    // channel must exist.
    ChannelRecord& Channel(int32_t channel) { return channels_[static_cast<size_t>(channel)]; }
    const ChannelRecord& Channel(int32_t channel) const { return channels_[static_cast<size_t>(channel)]; }

    // The samples of a channel in a block, as they are now. Both must exist.
    SampleView Samples(int32_t channel, int32_t block) const;
    int64_t SampleCount(int32_t channel, int32_t block) const;
    // Appends to a channel's samples in a block (both must exist). E_OUTOFMEMORY when they do
    // not fit; the block is then unchanged.
    HRESULT Append(int32_t channel, int32_t block, const float* samples, size_t count);
    // Replaces a channel's samples in a block (both must exist).
    void SetSamples(int32_t channel, int32_t block, std::vector<float> samples);

    // The marks on the boundary before a block (the block must exist).
    const BoundaryMarks& Marks(int32_t block) const { return marks_[static_cast<size_t>(block)]; }
    void SetMarks(int32_t block, BoundaryMarks marks) { marks_[static_cast<size_t>(block)] = std::move(marks); }

    // The time between a block's samples in seconds; 0 when it has none (the block must exist).
    double SampleInterval(int32_t block) const { return intervals_[static_cast<size_t>(block)]; }
    void SetSampleInterval(int32_t block, double seconds) { intervals_[static_cast<size_t>(block)] = seconds; }
    // True when some block has a sample interval.
    bool HasSampleIntervals() const;

private:
    std::vector<ChannelRecord> channels_;
    std::vector<BoundaryMarks> marks_;  // one per block
    std::vector<double> intervals_;     // one per block; 0: none
    int32_t blocks_ = 0;
};

}  // namespace Zor
