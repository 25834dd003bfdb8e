#include "host/zor/document_file.h"

#include <algorithm>
#include <set>

#include "interfaces/recording.h"
#include "platform/code_page.h"

namespace Zor {
namespace {

constexpr std::u16string_view kSignature = u"velogram document";
// The version written when a block has a sample interval, and the newest one read.
constexpr uint32_t kDocumentVersion = 2;
constexpr uint32_t kFirstVersionWithIntervals = 2;

// The fewest bytes a stored channel and a stored calculation take (kind bytes included), to
// refuse counts that the rest of the data cannot hold before anything is allocated.
constexpr uint64_t kMinChannelBytes = 5 + 5 + 5 + 5 + 5 + 9 + 9 + 5;
constexpr uint64_t kMinCalculationBytes = 5 + 25 + 5 + 5 + 25 + 5;
constexpr uint64_t kMinBlockBytesPerChannel = 5;
constexpr uint64_t kIntervalBytes = 9;

void WriteType(ObjectOutStream& out, const StoredType& t)
{
    out.WriteUInt32(t.type.Data1);
    out.WriteUInt32((uint32_t(t.type.Data2) << 16) | t.type.Data3);
    out.WriteUInt32((uint32_t(t.type.Data4[0]) << 24) | (uint32_t(t.type.Data4[1]) << 16) |
                    (uint32_t(t.type.Data4[2]) << 8) | t.type.Data4[3]);
    out.WriteUInt32((uint32_t(t.type.Data4[4]) << 24) | (uint32_t(t.type.Data4[5]) << 16) |
                    (uint32_t(t.type.Data4[6]) << 8) | t.type.Data4[7]);
    out.WriteUInt32(t.lowWord);
}

bool ReadType(ObjectInStream& in, StoredType* t)
{
    uint32_t w[5] = {};
    for (uint32_t& v : w)
        if (FAILED(in.ReadUInt32(&v))) return false;
    if (w[4] > 0xFFFF) {
        in.Fail("at byte " + std::to_string(in.Offset()) + ": a type's low word is out of range");
        return false;
    }
    t->type.Data1 = w[0];
    t->type.Data2 = static_cast<uint16_t>(w[1] >> 16);
    t->type.Data3 = static_cast<uint16_t>(w[1]);
    for (int i = 0; i < 4; ++i) {
        t->type.Data4[i] = static_cast<uint8_t>(w[2] >> (24 - 8 * i));
        t->type.Data4[4 + i] = static_cast<uint8_t>(w[3] >> (24 - 8 * i));
    }
    t->lowWord = static_cast<uint16_t>(w[4]);
    return true;
}

// A count that the remaining bytes can hold at minimum bytes per item and that stays within
// limit; otherwise the stream fails, naming what was counted.
bool ReadCount(ObjectInStream& in, const char* what, uint64_t minimumBytes, uint32_t limit, uint32_t* count)
{
    const uint64_t at = in.Offset();
    if (FAILED(in.ReadUInt32(count))) return false;
    if (*count > limit || (minimumBytes && *count > in.Remaining() / minimumBytes)) {
        in.Fail("at byte " + std::to_string(at) + ": " + std::to_string(*count) + " " + what +
                " cannot be right for the data that follow");
        return false;
    }
    return true;
}

// A channel's properties; its samples come with the blocks.
bool ReadChannel(ObjectInStream& in, ChannelRecord* c)
{
    std::u16string name, unitName;
    uint32_t prefix = 0, flag = 0, colour = 0, conversion = 0;
    double top = 0, bottom = 0;
    const uint64_t at = in.Offset();
    if (FAILED(in.ReadText(&name)) || FAILED(in.ReadUInt32(&prefix)) || FAILED(in.ReadText(&unitName)) ||
        FAILED(in.ReadUInt32(&flag)) || FAILED(in.ReadUInt32(&colour)) || FAILED(in.ReadDouble(&top)) ||
        FAILED(in.ReadDouble(&bottom)) || FAILED(in.ReadUInt32(&conversion)))
        return false;
    if (prefix > 14 || flag > 1 || conversion > 1 || colour > 0xFFFFFF) {
        in.Fail("at byte " + std::to_string(at) + ": a channel's unit, colour or flags are out of range");
        return false;
    }
    c->name = KVI::String(std::u16string_view(name));
    c->unit.prefix_ = static_cast<int32_t>(prefix);
    c->unit.name_ = KVI::String(std::u16string_view(unitName));
    c->unit.flag_ = static_cast<int32_t>(flag);
    c->colour = colour;
    c->top = top;
    c->bottom = bottom;
    c->unitsConversion = conversion != 0;
    return true;
}

bool ReadInterval(ObjectInStream& in, int32_t block, RecordingData* r)
{
    const uint64_t at = in.Offset();
    double seconds = 0;
    if (FAILED(in.ReadDouble(&seconds))) return false;
    if (seconds != 0.0 && !(seconds >= kMinSampleInterval && seconds <= kMaxSampleInterval)) {
        in.Fail("at byte " + std::to_string(at) + ": block " + std::to_string(block + 1) +
                " has a sample interval out of range");
        return false;
    }
    r->SetSampleInterval(block, seconds == 0.0 ? 0.0 : seconds);
    return true;
}

bool ReadCalculation(ObjectInStream& in, const std::set<int32_t>& taken, int32_t channels, StoredCalculation* c)
{
    const uint64_t at = in.Offset();
    uint32_t channel = 0, second = 0;
    if (FAILED(in.ReadUInt32(&channel)) || !ReadType(in, &c->calcClass) || FAILED(in.ReadText(&c->className)) ||
        FAILED(in.ReadUInt32(&second)) || !ReadType(in, &c->settingsClass) || FAILED(in.ReadBlob(&c->settings)))
        return false;
    if (channel >= static_cast<uint32_t>(channels) || taken.count(static_cast<int32_t>(channel))) {
        in.Fail("at byte " + std::to_string(at) + ": a calculation names channel " + std::to_string(channel + 1ull) +
                ", which does not exist or has another calculation");
        return false;
    }
    c->channel = static_cast<int32_t>(channel);
    c->second = static_cast<int32_t>(second);
    return true;
}

}  // namespace

bool WriteDocument(ObjectOutStream& out, const DocumentContents& contents, std::string* error)
{
    const RecordingData& r = contents.recording;
    const bool intervals = r.HasSampleIntervals();
    out.WriteText(kSignature);
    out.WriteUInt32(intervals ? kDocumentVersion : 1);
    out.WriteUInt32(static_cast<uint32_t>(r.ChannelCount()));
    for (int32_t c = 0; c < r.ChannelCount(); ++c) {
        const ChannelRecord& ch = r.Channel(c);
        out.WriteText(ch.name.View());
        out.WriteUInt32(static_cast<uint32_t>(ch.unit.prefix_));
        out.WriteText(ch.unit.name_.View());
        out.WriteUInt32(ch.unit.flag_ ? 1 : 0);
        out.WriteUInt32(ch.colour & 0xFFFFFF);
        out.WriteDouble(ch.top);
        out.WriteDouble(ch.bottom);
        out.WriteUInt32(ch.unitsConversion ? 1 : 0);
    }
    out.WriteUInt32(static_cast<uint32_t>(r.BlockCount()));
    for (int32_t b = 0; b < r.BlockCount(); ++b) {
        if (intervals) out.WriteDouble(r.SampleInterval(b));
        for (int32_t c = 0; c < r.ChannelCount(); ++c) {
            out.WriteFloatArray(r.Samples(c, b).Pieces());
        }
    }
    out.WriteUInt32(static_cast<uint32_t>(contents.calculations.size()));
    for (const StoredCalculation& calc : contents.calculations) {
        out.WriteUInt32(static_cast<uint32_t>(calc.channel));
        WriteType(out, calc.calcClass);
        out.WriteText(calc.className);
        out.WriteUInt32(static_cast<uint32_t>(calc.second));
        WriteType(out, calc.settingsClass);
        out.WriteBlob(calc.settings);
    }
    out.WriteUInt32(out.Checksum());
    if (FAILED(out.Flush()) || FAILED(out.GetStatus())) {
        *error = out.ErrorText();
        return false;
    }
    return true;
}

bool ReadDocument(ObjectInStream& in, DocumentContents* contents, std::string* error)
{
    const auto failed = [&] {
        *error = in.ErrorText().empty() ? std::string("damaged data") : in.ErrorText();
        return false;
    };
    std::u16string signature;
    if (FAILED(in.ReadText(&signature)) || signature != kSignature) {
        *error = "not a document of this program";
        if (!in.ErrorText().empty()) *error += " (" + in.ErrorText() + ")";
        return false;
    }
    uint32_t version = 0;
    if (FAILED(in.ReadUInt32(&version))) return failed();
    if (version > kDocumentVersion) {
        *error = "written by a newer version of the program (document version " + std::to_string(version) + ")";
        return false;
    }
    RecordingData& r = contents->recording;
    uint32_t channels = 0;
    if (!ReadCount(in, "channels", kMinChannelBytes, kMaxChannels, &channels)) return failed();
    for (uint32_t c = 0; c < channels; ++c) {
        if (!ReadChannel(in, &r.Channel(r.AddChannel(KVI::String())))) return failed();
    }
    const bool intervals = version >= kFirstVersionWithIntervals;
    uint32_t blocks = 0;
    if (!ReadCount(in, "blocks", kMinBlockBytesPerChannel * channels + (intervals ? kIntervalBytes : 0), kMaxBlocks,
                   &blocks))
        return failed();
    for (uint32_t b = 0; b < blocks; ++b) {
        const int32_t block = r.AddBlock();
        if (intervals && !ReadInterval(in, block, &r)) return failed();
        for (uint32_t c = 0; c < channels; ++c) {
            std::vector<float> samples;
            if (FAILED(in.ReadFloatArray(&samples))) return failed();
            r.SetSamples(static_cast<int32_t>(c), block, std::move(samples));
        }
    }
    uint32_t calcs = 0;
    if (!ReadCount(in, "calculations", kMinCalculationBytes, channels, &calcs)) return failed();
    std::set<int32_t> taken;
    for (uint32_t k = 0; k < calcs; ++k) {
        StoredCalculation calc;
        if (!ReadCalculation(in, taken, static_cast<int32_t>(channels), &calc)) return failed();
        taken.insert(calc.channel);
        contents->calculations.push_back(std::move(calc));
    }
    const uint32_t expected = in.Checksum();
    uint32_t checksum = 0;
    if (FAILED(in.ReadUInt32(&checksum))) return failed();
    if (checksum != expected) {
        *error = "the document is damaged (its checksum does not match its contents)";
        return false;
    }
    if (!in.AtEnd()) {
        *error = "at byte " + std::to_string(in.Offset()) + ": unexpected data after the end of the document";
        return false;
    }
    return true;
}

}  // namespace Zor
