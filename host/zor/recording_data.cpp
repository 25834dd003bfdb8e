#include "host/zor/recording_data.h"

#include <algorithm>
#include <array>

namespace Zor {
namespace {

// Distinct colours for new channels, taken in turn.
constexpr std::array<uint32_t, 8> kChannelColours = {0x1F77B4, 0xD62728, 0x2CA02C, 0x9467BD,
                                                     0xFF7F0E, 0x8C564B, 0xE377C2, 0x17BECF};

}  // namespace

int32_t RecordingData::AddChannel(KVI::String name)
{
    ChannelRecord record;
    record.name = std::move(name);
    record.colour = kChannelColours[channels_.size() % kChannelColours.size()];
    record.blocks.resize(static_cast<size_t>(blocks_));
    channels_.push_back(std::move(record));
    return ChannelCount() - 1;
}

int32_t RecordingData::AddBlock()
{
    marks_.emplace_back();
    intervals_.push_back(0.0);
    for (ChannelRecord& c : channels_) c.blocks.emplace_back();
    return blocks_++;
}

SampleView RecordingData::Samples(int32_t channel, int32_t block) const
{
    return Channel(channel).blocks[static_cast<size_t>(block)].View();
}

int64_t RecordingData::SampleCount(int32_t channel, int32_t block) const
{
    return Channel(channel).blocks[static_cast<size_t>(block)].Size();
}

HRESULT RecordingData::Append(int32_t channel, int32_t block, const float* samples, size_t count)
{
    return Channel(channel).blocks[static_cast<size_t>(block)].Append(samples, count);
}

bool RecordingData::HasSampleIntervals() const
{
    return std::any_of(intervals_.begin(), intervals_.end(), [](double s) { return s != 0.0; });
}

void RecordingData::SetSamples(int32_t channel, int32_t block, std::vector<float> samples)
{
    Channel(channel).blocks[static_cast<size_t>(block)].Assign(std::move(samples));
}

}  // namespace Zor
