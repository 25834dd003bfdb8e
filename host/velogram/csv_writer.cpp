#include "host/velogram/csv_writer.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "calibration/host/enum_float_ex.h"
#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"
#include "host/velogram/interruption.h"
#include "host/velogram/module_session.h"
#include "host/velogram/progress_bar.h"
#include "host/velogram/unit_text.h"
#include "platform/com_ptr.h"

namespace Velogram {
namespace {

using platform::ComPtr;
using Clock = std::chrono::steady_clock;

// The longest a formatted sample can be: a float in fixed notation with 17 decimals.
constexpr size_t kMaxNumberChars = 64;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Utf8(IAutoKVIString* text)
{
    std::string s = KVI::String(text).ToUtf8();
    if (text) text->Release();
    return s;
}

}  // namespace

std::string CsvHeaderCell(const std::string& name, const std::string& unit)
{
    std::string cell = name;
    if (!unit.empty())
        cell += " (" + unit + ")";
    else if (!name.empty() && name.back() == ')')
        cell += " ()";
    if (cell.find_first_of(",\"") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

CsvWriter::CsvWriter(IRecording* recording, OutputFile& out) : recording_(recording), out_(out) {}

void CsvWriter::SetDecimals(int32_t channel, int32_t places)
{
    if (channel < 0) return;
    if (places_.size() <= size_t(channel)) places_.resize(size_t(channel) + 1, -1);
    places_[size_t(channel)] = places;
}

void CsvWriter::Prepare()
{
    int32_t channels = 0, blocks = 0;
    recording_->GetChannelCount(&channels);
    recording_->GetBlockCount(&blocks);
    columns_.assign(size_t(channels), Column{});
    readSeconds_.assign(size_t(channels), 0.0);
    for (int32_t c = 0; c < channels; ++c) {
        Column& column = columns_[size_t(c)];
        IAutoKVIString* name = nullptr;
        recording_->GetChannelName(c, &name);
        ComPtr<IUnitName> unit;
        std::string unitText;
        int32_t prefix = 1;
        if (SUCCEEDED(recording_->GetChannelUnit(c, unit.Put())) && unit) {
            IAutoKVIString* text = nullptr;
            unit->GetText(1, &text);
            unitText = Utf8(text);
            unit->GetPrefix(&prefix);
        }
        column.header = CsvHeaderCell(Utf8(name), unitText);
        KVI::UnitInfo info;
        info.prefix_ = prefix;
        column.factor = PrefixedUnitFactor(info);
        if (size_t(c) < places_.size()) column.places = places_[size_t(c)];
        for (int32_t b = 0; b < blocks; ++b) {
            int64_t count = 0;
            if (SUCCEEDED(recording_->GetSampleCount(c, b, &count))) total_ += count;
        }
    }
}

void CsvWriter::Write()
{
    Prepare();
    if (columns_.empty()) throw CommandError("the recording has no channels to write");
    std::string header;
    for (size_t c = 0; c < columns_.size(); ++c) header += (c ? "," : "") + columns_[c].header;
    out_.Write(header + "\n");

    int32_t blocks = 0;
    recording_->GetBlockCount(&blocks);
    ProgressBar progress("writing", total_);
    int64_t done = 0;
    bool first = true;
    for (int32_t b = 0; b < blocks; ++b) {
        const int64_t before = rows_;
        WriteBlock(b, first, progress, done);
        if (rows_ > before) first = false;
    }
}

void CsvWriter::WriteBlock(int32_t block, bool first, ProgressBar& progress, int64_t& done)
{
    const size_t n = columns_.size();
    std::vector<int64_t> counts(n, 0);
    std::vector<ComPtr<IEnumFloatEx>> streams(n);
    int64_t rows = 0;
    for (size_t c = 0; c < n; ++c) {
        const HRESULT hr = recording_->GetSampleCount(int32_t(c), block, &counts[c]);
        if (FAILED(hr))
            throw CommandError("channel " + std::to_string(c) + " cannot be read in block " + std::to_string(block) +
                               ": " + ResultText(hr));
        rows = std::max(rows, counts[c]);
    }
    if (rows == 0) return;
    for (size_t c = 0; c < n; ++c) {
        if (counts[c] == 0) continue;
        const HRESULT hr = recording_->CreateSampleStream(int32_t(c), block, 0, counts[c], streams[c].Put());
        if (FAILED(hr))
            throw CommandError("channel " + std::to_string(c) + " cannot be read in block " + std::to_string(block) +
                               ": " + ResultText(hr));
    }
    if (!first) out_.Write("\n");

    std::vector<std::vector<float>> samples(n, std::vector<float>(kRowsPerStep));
    for (int64_t start = 0; start < rows; start += kRowsPerStep) {
        const auto step = uint32_t(std::min<int64_t>(kRowsPerStep, rows - start));
        std::vector<uint32_t> have(n, 0);
        for (size_t c = 0; c < n; ++c) {
            const auto want = uint32_t(std::clamp<int64_t>(counts[c] - start, 0, step));
            if (want == 0) continue;
            const auto t0 = Clock::now();
            const HRESULT hr = streams[c]->Next(want, samples[c].data(), &have[c]);
            readSeconds_[c] += Seconds(t0);
            if (FAILED(hr) || have[c] != want)
                throw CommandError("channel " + std::to_string(c) + " stopped after " +
                                   std::to_string(start + have[c]) + " of " + std::to_string(counts[c]) +
                                   " samples in block " + std::to_string(block) +
                                   (FAILED(hr) ? ": " + ResultText(hr) : std::string()));
        }
        const auto t0 = Clock::now();
        const size_t rowBytes = n * (kMaxNumberChars + 1) + 1;
        for (uint32_t r = 0; r < step; ++r) {
            char* const begin = out_.Reserve(rowBytes);
            char* p = begin;
            for (size_t c = 0; c < n; ++c) {
                if (c) *p++ = ',';
                if (r < have[c]) p = Format(p, samples[c][r], columns_[c]);
            }
            *p++ = '\n';
            out_.Advance(size_t(p - begin));
        }
        formatSeconds_ += Seconds(t0);
        rows_ += step;
        for (uint32_t got : have) done += got;
        progress.Update(done);
        ThrowIfInterrupted();
    }
}

char* CsvWriter::Format(char* p, float value, const Column& column) const
{
    // Scaled in double and rounded once, so a value read from a prefixed column comes back
    // as it was written there.
    if (column.factor != 1.0) value = static_cast<float>(double(value) * column.factor);
    const auto result = column.places < 0
                            ? std::to_chars(p, p + kMaxNumberChars, value)
                            : std::to_chars(p, p + kMaxNumberChars, value, std::chars_format::fixed, column.places);
    // Only a fixed form of a huge value with many decimals could exceed the room: write it in
    // the shortest form instead.
    if (result.ec != std::errc()) return std::to_chars(p, p + kMaxNumberChars, value).ptr;
    return result.ptr;
}

}  // namespace Velogram
