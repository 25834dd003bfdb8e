// Fuzzes the command line's readers of outside text: CSV recordings and points files.
//
// Input: one mode byte, then the text. Mode byte even: the text is a CSV recording, fed to the
// reader in pieces of (mode / 2 + 1) bytes, so that lines are cut in every place; odd: the
// text is a points file. Checks: a reader either finishes or throws its own error type, never
// anything else; what it delivers keeps the sink's contract (blocks in order, equal batches
// for every column, as many rows as it counts); the same text read whole gives the same
// result; every point it returns reads as two values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/velogram/command_error.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/points_file.h"
#include "host/velogram/reference_points.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

struct CheckingSink final : Velogram::CsvSink {
    size_t columns = 0;
    int32_t blocks = 0;
    int64_t samples = 0;
    size_t batchColumn = 0;
    size_t batchSize = 0;
    std::vector<uint32_t> bits;  // every sample, for comparing two reads

    void OnHeader(const std::vector<Velogram::CsvColumn>& c) override
    {
        Check(columns == 0 && !c.empty() && c.size() <= Velogram::CsvReader::kMaxColumns);
        columns = c.size();
    }
    void OnBlock(int32_t block) override
    {
        Check(columns > 0 && block == blocks && batchColumn == 0);
        ++blocks;
    }
    void OnSamples(size_t column, std::span<const float> s) override
    {
        Check(blocks > 0 && column == batchColumn && !s.empty());
        if (column == 0) batchSize = s.size();
        Check(s.size() == batchSize);
        batchColumn = (column + 1) % columns;
        samples += int64_t(s.size());
        for (float f : s) {
            uint32_t b = 0;
            __builtin_memcpy(&b, &f, sizeof b);
            bits.push_back(b);
        }
    }
};

// The sink's record of a read, or "error" and the message's file name prefix checked.
std::vector<uint32_t> ReadCsv(std::string_view text, size_t piece, bool* ok)
{
    CheckingSink sink;
    Velogram::CsvReader reader("f.csv", sink);
    try {
        for (size_t i = 0; i < text.size(); i += piece) reader.Feed(text.substr(i, piece));
        reader.Finish();
    } catch (const Velogram::CsvError& e) {
        Check(std::string_view(e.what()).starts_with("f.csv:"));
        *ok = false;
        return {};
    }
    *ok = true;
    Check(sink.batchColumn == 0);
    Check(reader.Rows() > 0 && sink.samples == reader.Rows() * int64_t(sink.columns));
    Check(reader.Blocks() == sink.blocks);
    return sink.bits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (mode % 2 == 0) {
        bool piecesOk = false, wholeOk = false;
        const auto pieces = ReadCsv(text, size_t(mode / 2) + 1, &piecesOk);
        const auto whole = ReadCsv(text, text.size() + 1, &wholeOk);
        Check(piecesOk == wholeOk && pieces == whole);
        return 0;
    }
    try {
        const auto points = Velogram::ParsePointsText(text, "p.csv");
        Check(!points.empty());
        for (const Velogram::ReferencePoint& p : points)
            Check(Velogram::IsValueText(p.raw) && Velogram::IsValueText(p.calibrated));
    } catch (const Velogram::CommandError& e) {
        Check(std::string_view(e.what()).starts_with("p.csv"));
    }
    return 0;
}
