#include "host/velogram/position_text.h"

#include <algorithm>

#include "interfaces/enum_float_ex.h"
#include "host/velogram/time_text.h"
#include "platform/com_ptr.h"

namespace Velogram {

namespace {

double IntervalOf(const HostDocument& document, int32_t block)
{
    double seconds = 0;
    return document.Recording()->GetSampleInterval(block, &seconds) == S_OK ? seconds : 0.0;
}

std::optional<double> SampleOf(const HostDocument& document, int32_t channel, const HostPosition& at)
{
    platform::ComPtr<IEnumFloatEx> stream;
    if (FAILED(document.Recording()->CreateSampleStream(channel, at.block, at.sample, at.sample + 1, stream.Put())) ||
        !stream)
        return std::nullopt;
    float value = 0;
    uint32_t got = 0;
    if (FAILED(stream->Next(1, &value, &got)) || got != 1) return std::nullopt;
    return double(value);
}

// "block 1, sample 12" ("Block ..." to begin a sentence).
std::string PositionWords(const HostPosition& p, bool capital = false)
{
    return (capital ? "Block " : "block ") + std::to_string(p.block + 1) + ", sample " + std::to_string(p.sample);
}

}  // namespace

std::optional<double> TimeOf(const HostDocument& document, const HostPosition& position)
{
    if (position.block < 0 || position.block >= document.BlockCount()) return std::nullopt;
    const double interval = IntervalOf(document, position.block);
    if (interval <= 0) return std::nullopt;
    return double(position.sample) * interval;
}

std::optional<PositionReading> ReadPosition(const HostDocument& document, const HostPosition& position)
{
    if (position.block < 0 || position.block >= document.BlockCount()) return std::nullopt;
    const int64_t length = document.BlockLength(position.block);
    if (length <= 0 || position.sample < 0) return std::nullopt;
    PositionReading reading;
    reading.position = {position.block, std::min(position.sample, length - 1)};
    reading.interval = IntervalOf(document, position.block);
    if (reading.interval > 0) {
        reading.seconds = double(reading.position.sample) * reading.interval;
        reading.duration = double(length) * reading.interval;
    }
    for (int32_t c = 0; c < document.ChannelCount(); ++c) {
        const ChannelInfo info = document.Info(c);
        ChannelReading channel{info.name.ToUtf8(), info.unit.ToUtf8(), std::nullopt};
        if (const std::optional<double> sample = SampleOf(document, c, reading.position))
            channel.value = *sample * info.factor;
        reading.channels.push_back(std::move(channel));
    }
    return reading;
}

std::string ReadingText(const PositionReading& reading)
{
    std::string text = reading.seconds ? "t = " + FormatTime(*reading.seconds, reading.interval, reading.duration) +
                                             " (" + PositionWords(reading.position) + ")"
                                       : PositionWords(reading.position, true);
    text += ":";
    for (size_t i = 0; i < reading.channels.size(); ++i) {
        const ChannelReading& c = reading.channels[i];
        text += (i == 0 ? " " : ", ") + c.name + " ";
        if (!c.value) {
            text += "-";
            continue;
        }
        text += SixDigits(*c.value);
        if (!c.unit.empty()) text += " " + c.unit;
    }
    return text;
}

std::string SelectionText(const HostDocument& document)
{
    const HostSelection* selection = document.Selection();
    if (!selection || !selection->Has()) return "No selection: drag across the data to select a span.";
    const HostPosition start = selection->Start(), end = selection->End();
    std::string text = "Selection: " + PositionWords(start) + " to " + PositionWords(end);
    const std::optional<double> from = TimeOf(document, start), to = TimeOf(document, end);
    if (from && to) {
        const double startInterval = IntervalOf(document, start.block);
        const double endInterval = IntervalOf(document, end.block);
        const double span = std::max(double(document.BlockLength(start.block)) * startInterval,
                                     double(document.BlockLength(end.block)) * endInterval);
        const double resolution = std::min(startInterval, endInterval);
        text += " (" + FormatTime(*from, resolution, span) + " to " + FormatTime(*to, resolution, span);
        if (start.block == end.block) text += ", " + FormatTime(*to - *from, resolution, span) + " long";
        text += ")";
    }
    return text;
}

}  // namespace Velogram
