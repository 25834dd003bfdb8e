#include "host/zor/recording_data.h"

#include <array>
#include <new>

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
    for (ChannelRecord& c : channels_) c.blocks.emplace_back();
    return blocks_++;
}

SampleBlock RecordingData::Samples(int32_t channel, int32_t block) const
{
    return Channel(channel).blocks[static_cast<size_t>(block)];
}

int64_t RecordingData::SampleCount(int32_t channel, int32_t block) const
{
    const auto& samples = Channel(channel).blocks[static_cast<size_t>(block)];
    return samples ? static_cast<int64_t>(samples->size()) : 0;
}

HRESULT RecordingData::Append(int32_t channel, int32_t block, const float* samples, size_t count)
{
    if (count == 0) return S_OK;
    auto& slot = Channel(channel).blocks[static_cast<size_t>(block)];
    try {
        // Callers hold the document's lock, under which no new view can be taken: a count of
        // one means that no stream views this block and it may change in place.
        if (!slot || slot.use_count() > 1) {
            auto fresh = std::make_shared<std::vector<float>>();
            fresh->reserve((slot ? slot->size() : 0) + count);
            if (slot) fresh->assign(slot->begin(), slot->end());
            fresh->insert(fresh->end(), samples, samples + count);
            slot = std::move(fresh);
        } else {
            slot->insert(slot->end(), samples, samples + count);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
}

void RecordingData::SetSamples(int32_t channel, int32_t block, std::vector<float> samples)
{
    auto& slot = Channel(channel).blocks[static_cast<size_t>(block)];
    slot = samples.empty() ? nullptr : std::make_shared<std::vector<float>>(std::move(samples));
}

}  // namespace Zor
