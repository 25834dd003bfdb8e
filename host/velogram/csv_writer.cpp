#include "host/velogram/stopwatch.h"
#include "host/velogram/csv_writer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"
#include "host/velogram/interruption.h"
#include "host/velogram/module_session.h"
#include "host/velogram/progress_bar.h"
#include "host/velogram/unit_text.h"

namespace Velogram {
namespace {

using platform::ComPtr;

constexpr size_t kMaxNumberChars = CsvNumberFormat::kMaxChars;


std::string Unreadable(size_t channel, int32_t block, HRESULT hr)
{
    return "channel " + std::to_string(channel) + " cannot be read in block " + std::to_string(block) + ": " +
           ResultText(hr);
}

}  // namespace

// The copied text's lines, each written as it was with the added channels' values after it.
class CsvWriter::Copier final : public CsvLineSink {
public:
    Copier(CsvWriter& writer, size_t copied, ProgressBar& progress)
        : w_(writer), copied_(copied), added_(writer.columns_.size() - copied), progress_(progress),
          samples_(added_, std::vector<float>(kRowsPerStep)), have_(added_, 0)
    {
        w_.recording_->GetBlockCount(&blocks_);
    }

    void OnPreamble(std::string_view line) override { Line(line); }

    void OnHeaderLine(std::string_view line) override
    {
        std::string added;
        for (size_t c = copied_; c < w_.columns_.size(); ++c) added += w_.delimiter_ + w_.columns_[c].header;
        w_.out_.Write(line);
        Line(added);
    }

    void OnBlock(int32_t block) override
    {
        EndBlock();
        if (block >= blocks_) throw Changed();
        if (block > 0) w_.out_.Write(w_.lineEnd_);
        block_ = block;
        streams_ = w_.OpenStreams(block, copied_, counts_);
        row_ = 0;
        step_ = 0;
        stepRows_ = 0;
    }

    void OnRow(std::string_view line) override
    {
        if (row_ == counts_[0]) throw Changed();
        if (row_ == step_ + stepRows_) NextStep();
        const size_t r = size_t(row_ - step_);
        const size_t bytes = line.size() + added_ * (kMaxNumberChars + 1) + w_.lineEnd_.size();
        char* const begin = w_.out_.Reserve(bytes);
        std::memcpy(begin, line.data(), line.size());
        char* p = begin + line.size();
        for (size_t a = 0; a < added_; ++a) {
            *p++ = w_.delimiter_;
            if (r < have_[a]) p = w_.columns_[copied_ + a].format.Write(p, samples_[a][r]);
        }
        p = std::copy(w_.lineEnd_.begin(), w_.lineEnd_.end(), p);
        w_.out_.Advance(size_t(p - begin));
        ++row_;
        ++w_.rows_;
    }

    // The end of the text: every block of the recording written whole.
    void Finish()
    {
        EndBlock();
        if (block_ + 1 != blocks_) throw Changed();
    }

private:
    CommandError Changed() const
    {
        return CommandError(w_.copy_->Path() + " no longer holds the rows that were read from it; run the command again");
    }

    void Line(std::string_view text)
    {
        w_.out_.Write(text);
        w_.out_.Write(w_.lineEnd_);
    }

    void EndBlock() const
    {
        if (block_ >= 0 && row_ != counts_[0]) throw Changed();
    }

    void NextStep()
    {
        step_ = row_;
        stepRows_ = std::min<int64_t>(kRowsPerStep, counts_[0] - row_);
        for (size_t a = 0; a < added_; ++a) {
            const size_t c = copied_ + a;
            have_[a] = streams_[a] ? w_.ReadStep(streams_[a].Get(), c, block_, row_, counts_[c], samples_[a]) : 0;
        }
        done_ += stepRows_;
        progress_.Update(done_);
        ThrowIfInterrupted();
    }

    CsvWriter& w_;
    size_t copied_, added_;
    ProgressBar& progress_;
    int32_t blocks_ = 0;
    int32_t block_ = -1;
    std::vector<int64_t> counts_;
    std::vector<ComPtr<IEnumFloatEx>> streams_;  // of the added channels
    std::vector<std::vector<float>> samples_;
    std::vector<uint32_t> have_;
    int64_t row_ = 0, step_ = 0, stepRows_ = 0, done_ = 0;
};

std::string CsvHeaderCell(const std::string& name, const std::string& unit, char delimiter)
{
    std::string cell = name;
    if (!unit.empty())
        cell += " (" + unit + ")";
    else if (!name.empty() && name.back() == ')')
        cell += " ()";
    if (cell.find(delimiter) == std::string::npos && cell.find('"') == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

CsvChannelColumn CsvColumnOfChannel(IRecording* recording, int32_t channel, char delimiter, char decimal)
{
    platform::ComPtr<IAutoKVIString> name;
    recording->GetChannelName(channel, name.Put());
    ComPtr<IUnitName> unit;
    std::string unitText;
    int32_t prefix = 1;
    if (SUCCEEDED(recording->GetChannelUnit(channel, unit.Put())) && unit) {
        platform::ComPtr<IAutoKVIString> text;
        unit->GetText(1, text.Put());
        unitText = KVI::TakeUtf8(std::move(text));
        unit->GetPrefix(&prefix);
    }
    CsvChannelColumn column;
    column.header = CsvHeaderCell(KVI::TakeUtf8(std::move(name)), unitText, delimiter);
    KVI::UnitInfo info;
    info.prefix_ = prefix;
    column.format.factor = PrefixedUnitFactor(info);
    column.format.decimal = decimal;
    return column;
}

CsvWriter::CsvWriter(IRecording* recording, OutputFile& out) : recording_(recording), out_(out) {}

void CsvWriter::SetDecimals(int32_t channel, int32_t places)
{
    if (channel < 0) return;
    if (places_.size() <= size_t(channel)) places_.resize(size_t(channel) + 1, -1);
    places_[size_t(channel)] = places;
}

void CsvWriter::CopyColumnsFrom(CsvRecordingText& text)
{
    copy_ = &text;
    delimiter_ = text.Dialect().delimiter;
    decimal_ = text.Dialect().DecimalChar();
    lineEnd_ = text.LineEnd();
}

void CsvWriter::Prepare()
{
    int32_t channels = 0, blocks = 0;
    recording_->GetChannelCount(&channels);
    recording_->GetBlockCount(&blocks);
    columns_.clear();
    readSeconds_.assign(size_t(channels), 0.0);
    for (int32_t c = 0; c < channels; ++c) {
        columns_.push_back(CsvColumnOfChannel(recording_, c, delimiter_, decimal_));
        if (size_t(c) < places_.size()) columns_.back().format.places = places_[size_t(c)];
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
    if (copy_) {
        WriteCopy();
        return;
    }
    std::string header;
    for (size_t c = 0; c < columns_.size(); ++c) header += (c ? std::string(1, delimiter_) : "") + columns_[c].header;
    out_.Write(header + lineEnd_);

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

void CsvWriter::WriteCopy()
{
    const size_t copied = copy_->Columns();
    if (copied == 0 || copied > columns_.size())
        throw CommandError("the recording does not have the columns of " + copy_->Path());
    const auto start = Clock::now();
    if (copy_->Encoding() != TextEncoding::kUtf8) out_.Write("\xEF\xBB\xBF");
    ProgressBar progress("writing", copy_->Rows());
    Copier copier(*this, copied, progress);
    copy_->ReadLines(copier);
    copier.Finish();
    formatSeconds_ = Seconds(start);
    for (size_t c = copied; c < columns_.size(); ++c) formatSeconds_ -= readSeconds_[c];
}

std::vector<ComPtr<IEnumFloatEx>> CsvWriter::OpenStreams(int32_t block, size_t from, std::vector<int64_t>& counts)
{
    const size_t n = columns_.size();
    counts.assign(n, 0);
    for (size_t c = 0; c < n; ++c) {
        const HRESULT hr = recording_->GetSampleCount(int32_t(c), block, &counts[c]);
        if (FAILED(hr)) throw CommandError(Unreadable(c, block, hr));
    }
    std::vector<ComPtr<IEnumFloatEx>> streams(n - from);
    for (size_t c = from; c < n; ++c) {
        if (counts[c] == 0) continue;
        const HRESULT hr = recording_->CreateSampleStream(int32_t(c), block, 0, counts[c], streams[c - from].Put());
        if (FAILED(hr)) throw CommandError(Unreadable(c, block, hr));
    }
    return streams;
}

uint32_t CsvWriter::ReadStep(IEnumFloatEx* stream, size_t c, int32_t block, int64_t start, int64_t count,
                             std::vector<float>& samples)
{
    const auto want = uint32_t(std::clamp<int64_t>(count - start, 0, kRowsPerStep));
    if (want == 0) return 0;
    uint32_t have = 0;
    const auto t0 = Clock::now();
    const HRESULT hr = stream->Next(want, samples.data(), &have);
    readSeconds_[c] += Seconds(t0);
    if (FAILED(hr) || have != want)
        throw CommandError("channel " + std::to_string(c) + " stopped after " + std::to_string(start + have) + " of " +
                           std::to_string(count) + " samples in block " + std::to_string(block) +
                           (FAILED(hr) ? ": " + ResultText(hr) : std::string()));
    return have;
}

void CsvWriter::WriteBlock(int32_t block, bool first, ProgressBar& progress, int64_t& done)
{
    const size_t n = columns_.size();
    std::vector<int64_t> counts;
    std::vector<ComPtr<IEnumFloatEx>> streams = OpenStreams(block, 0, counts);
    const int64_t rows = *std::max_element(counts.begin(), counts.end());
    if (rows == 0) return;
    if (!first) out_.Write(lineEnd_);

    std::vector<std::vector<float>> samples(n, std::vector<float>(kRowsPerStep));
    std::vector<uint32_t> have(n, 0);
    for (int64_t start = 0; start < rows; start += kRowsPerStep) {
        const auto step = uint32_t(std::min<int64_t>(kRowsPerStep, rows - start));
        for (size_t c = 0; c < n; ++c)
            have[c] = streams[c] ? ReadStep(streams[c].Get(), c, block, start, counts[c], samples[c]) : 0;
        const auto t0 = Clock::now();
        const size_t rowBytes = n * (kMaxNumberChars + 1) + lineEnd_.size();
        for (uint32_t r = 0; r < step; ++r) {
            char* const begin = out_.Reserve(rowBytes);
            char* p = begin;
            for (size_t c = 0; c < n; ++c) {
                if (c) *p++ = delimiter_;
                if (r < have[c]) p = columns_[c].format.Write(p, samples[c][r]);
            }
            p = std::copy(lineEnd_.begin(), lineEnd_.end(), p);
            out_.Advance(size_t(p - begin));
        }
        formatSeconds_ += Seconds(t0);
        rows_ += step;
        for (uint32_t got : have) done += got;
        progress.Update(done);
        ThrowIfInterrupted();
    }
}

}  // namespace Velogram
