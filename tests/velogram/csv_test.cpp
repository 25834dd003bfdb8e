// CSV import and export of recordings: what the reader makes of good and bad text, however
// the text is cut into pieces; the writer's text read back by the reader; and output files
// that appear whole or not at all.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "values/units/unit_entry.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/csv_writer.h"
#include "host/velogram/output_file.h"
#include "host/velogram/recording_import.h"
#include "host/velogram/unit_text.h"
#include "host/zor/document.h"
#include "tests/host/temp_dir.h"

namespace {

using Velogram::CsvColumn;
using Velogram::CsvError;
using Velogram::CsvReader;

// What a sink was given: columns, and per block per column the samples.
struct Recorded final : Velogram::CsvSink {
    std::vector<CsvColumn> columns;
    std::vector<std::vector<std::vector<float>>> blocks;
    std::vector<size_t> batchSizes;

    void OnHeader(const std::vector<CsvColumn>& c) override { columns = c; }
    void OnBlock(int32_t block) override
    {
        EXPECT_EQ(block, static_cast<int32_t>(blocks.size()));
        blocks.emplace_back(columns.size());
    }
    void OnSamples(size_t column, std::span<const float> samples) override
    {
        if (column == 0) batchSizes.push_back(samples.size());
        EXPECT_EQ(samples.size(), batchSizes.back()) << "every column of a batch has as many samples";
        auto& to = blocks.back()[column];
        to.insert(to.end(), samples.begin(), samples.end());
    }
    void OnSampleInterval(int32_t block, double seconds) override
    {
        EXPECT_EQ(block, static_cast<int32_t>(blocks.size()) - 1) << "after the block's samples";
        intervals.resize(blocks.size(), 0.0);
        intervals[size_t(block)] = seconds;
    }

    std::vector<double> intervals;  // per block; 0: none given
    std::vector<std::string> notes;
};

// Reads text fed in pieces of the given size (0: whole).
Recorded Read(const std::string& text, size_t piece = 0, const Velogram::CsvReadOptions& options = {})
{
    Recorded sink;
    CsvReader reader("t.csv", sink, options);
    if (piece == 0) {
        reader.Feed(text);
    } else {
        for (size_t i = 0; i < text.size(); i += piece) reader.Feed(std::string_view(text).substr(i, piece));
    }
    reader.Finish();
    sink.intervals.resize(sink.blocks.size(), 0.0);
    sink.notes = reader.Notes();
    return sink;
}

std::string ErrorOf(const std::string& text, size_t piece = 0, const Velogram::CsvReadOptions& options = {})
{
    try {
        Read(text, piece, options);
    } catch (const CsvError& e) {
        return e.what();
    }
    return "no error";
}

using Blocks = std::vector<std::vector<std::vector<float>>>;

struct GoodCase {
    const char* name;
    std::string text;
    std::vector<std::string> names;
    Blocks blocks;
};

TEST(CsvReader, ReadsChannelsBlocksAndNumbersHoweverTheTextIsCut)
{
    const float inf = INFINITY;
    const std::vector<GoodCase> cases = {
        {"one column", "Sig (V)\n1\n2.5\n", {"Sig"}, {{{1, 2.5f}}}},
        {"no final line end", "Sig (V)\n1\n2", {"Sig"}, {{{1, 2}}}},
        {"blocks, repeated blank lines", "a,b\n1,2\n\n\n3,4\n5,6\n\n", {"a", "b"}, {{{1}, {2}}, {{3, 5}, {4, 6}}}},
        {"blank lines before the header, blanks in cells", "\n \nx (V) , y\n 1 ,\t2\n", {"x", "y"}, {{{1}, {2}}}},
        {"CR LF and a byte-order mark", "\xEF\xBB\xBFp (V)\r\n1\r\n\r\n2\r\n", {"p"}, {{{1}}, {{2}}}},
        {"signs, exponents, nan, infinity", "v\n+1\n-2e3\n1E-2\ninf\n-inf\n", {"v"}, {{{1, -2000, 0.01f, inf, -inf}}}},
        {"too small for a float becomes 0", "v\n1e-50\n", {"v"}, {{{0}}}},
        {"a quoted name with a comma and a quote", "\"a, \"\"b\"\" (V)\",c\n1,2\n", {"a, \"b\"", "c"}, {{{1}, {2}}}},
        {"a name with parentheses before its unit", "p (abs) (kPa)\n1\n", {"p (abs)"}, {{{1000}}}},
        {"an unnamed column", "(V),b\n1,2\n", {"Channel 1", "b"}, {{{1}, {2}}}},
    };
    for (const GoodCase& c : cases) {
        for (size_t piece : {size_t(0), size_t(1), size_t(3)}) {
            Recorded r;
            ASSERT_NO_THROW(r = Read(c.text, piece)) << c.name << ", pieces of " << piece;
            std::vector<std::string> names;
            for (const CsvColumn& col : r.columns) names.push_back(col.name);
            EXPECT_EQ(names, c.names) << c.name;
            ASSERT_EQ(r.blocks.size(), c.blocks.size()) << c.name << ", pieces of " << piece;
            for (size_t b = 0; b < c.blocks.size(); ++b)
                for (size_t col = 0; col < c.blocks[b].size(); ++col)
                    EXPECT_EQ(r.blocks[b][col], c.blocks[b][col]) << c.name << " block " << b << " column " << col;
        }
    }
    const Recorded nan = Read("v\nnan\n");
    EXPECT_TRUE(std::isnan(nan.blocks[0][0][0]));
}

TEST(CsvReader, ReadsTheUnitAndStoresPrefixedValuesInBaseUnits)
{
    const Recorded r = Read("a (mV),b (kPa),c (mmHg),d (degrees C),e\n12.5,3,5,20,7\n");
    ASSERT_EQ(r.columns.size(), 5u);
    EXPECT_EQ(r.columns[0].unit.prefix_, 7);
    EXPECT_EQ(r.columns[0].unit.name_, KVI::String(u"V"));
    EXPECT_EQ(r.columns[1].unit.prefix_, 9);
    EXPECT_EQ(r.columns[1].unit.name_, KVI::String(u"Pa"));
    EXPECT_EQ(r.columns[2].unit.name_, KVI::String(u"mmHg")) << "mHg is no known unit: no prefix";
    EXPECT_EQ(r.columns[3].unit.name_, KVI::String(u"degrees C"));
    EXPECT_TRUE(r.columns[4].unit.name_.IsEmpty());
    EXPECT_EQ(r.blocks[0][0][0], 0.0125f);
    EXPECT_EQ(r.blocks[0][1][0], 3000.0f);
    EXPECT_EQ(r.blocks[0][2][0], 5.0f);
    EXPECT_EQ(r.blocks[0][3][0], 20.0f);
}

TEST(CsvReader, DeliversLongBlocksInBatches)
{
    std::string text = "a,b\n";
    const int rows = int(CsvReader::kBatchValues) + 5;  // two columns: more than two batches
    for (int i = 0; i < rows; ++i) text += std::to_string(i) + "," + std::to_string(-i) + "\n";
    const Recorded r = Read(text, 4093);
    ASSERT_EQ(r.blocks.size(), 1u);
    ASSERT_EQ(r.blocks[0][0].size(), size_t(rows));
    EXPECT_GT(r.batchSizes.size(), 2u);
    for (int i = 0; i < rows; i += 997) {
        EXPECT_EQ(r.blocks[0][0][size_t(i)], float(i));
        EXPECT_EQ(r.blocks[0][1][size_t(i)], float(-i));
    }
}

struct BadCase {
    const char* name;
    std::string text;
    std::string message;  // the start of the message after the file name
};

TEST(CsvReader, RefusesBadTextNamingLineAndColumn)
{
    const std::vector<BadCase> cases = {
        {"a bad number", "a,b\n1,2\n3,x4\n", ":3:3: \"x4\" is not a number in column 2 (b)"},
        {"a number with trailing text", "a\n1.5.2\n", ":2:1: \"1.5.2\" is not a number in column 1 (a)"},
        {"an empty value", "a,b\n1,\n", ":2:3: empty value in column 2 (b)"},
        {"too few values", "a,b,c\n1,2\n", ":2:4: the row has 2 values, but the header names 3 channels"},
        {"too many values", "a\n1,2,3\n", ":2:2: the row has 3 values, but the header names 1 channel"},
        {"too large for a float", "a\n1e39\n", ":2:1: \"1e39\" is too large for a sample"},
        {"too large for a double", "a\n-1e999\n", ":2:1: \"-1e999\" is too large for a sample"},
        {"too large once in base units", "a (EV)\n1e30\n", ":2:1: \"1e30\" is too large for a sample"},
        {"a header of numbers", "1,2\n3,4\n", ":1:1: the first row holds numbers"},
        {"an unclosed quote", "\"a,b\n1\n", ":1:1: a quoted channel name is not closed properly"},
        {"no header", "", ": no header row"},
        {"only blank lines", "\n  \n\r\n", ": no header row"},
        {"no samples", "a (V)\n\n\n", ": no samples"},
        {"a double plus sign", "a\n++1\n", ":2:1: \"++1\" is not a number"},
    };
    for (const BadCase& c : cases) {
        for (size_t piece : {size_t(0), size_t(2)}) {
            const std::string error = ErrorOf(c.text, piece);
            EXPECT_EQ(error.rfind("t.csv" + c.message, 0), 0u) << c.name << ": " << error;
        }
    }
}

TEST(CsvReader, RefusesOverlongLinesAndTooManyColumns)
{
    const std::string longLine = "a\n" + std::string(CsvReader::kMaxLineBytes + 1, '1') + "\n";
    EXPECT_NE(ErrorOf(longLine, 65536).find(":2:"), std::string::npos);
    EXPECT_NE(ErrorOf(longLine).find("longer than"), std::string::npos);
    std::string wide;
    for (size_t i = 0; i <= CsvReader::kMaxColumns; ++i) wide += (i ? ",c" : "c") + std::to_string(i);
    EXPECT_NE(ErrorOf(wide + "\n").find("more than 4096 columns"), std::string::npos);
}

Velogram::CsvReadOptions TimeFrom(Velogram::CsvTimeColumn::Mode mode, std::string name = {}, double rate = 0)
{
    Velogram::CsvReadOptions options;
    options.time.mode = mode;
    options.time.name = std::move(name);
    options.sampleRate = rate;
    return options;
}

struct TimeCase {
    const char* name;
    std::string text;
    Velogram::CsvReadOptions options;
    std::vector<std::string> channels;
    std::vector<double> intervals;  // per block, seconds; 0: none
    std::string note;               // a note that must be made; empty: none at all
};

TEST(CsvReader, TakesTheSampleIntervalFromATimeColumnOrTheRate)
{
    using Mode = Velogram::CsvTimeColumn::Mode;
    const auto detect = TimeFrom(Mode::kDetect);
    const std::vector<TimeCase> cases = {
        {"Time (s) first: detected", "Time (s),p (V)\n0,1\n0.001,2\n0.002,3\n", detect, {"p"}, {0.001}, ""},
        {"time without a unit is in seconds", "time,p\n10,1\n10.5,2\n", detect, {"p"}, {0.5}, ""},
        {"t in milliseconds", "t (ms),p\n0,1\n0.25,2\n0.5,3\n", detect, {"p"}, {0.25e-3}, ""},
        {"microseconds written either way", "Time (us),p\n0,1\n2,2\n", detect, {"p"}, {2e-6}, ""},
        {"minutes", "Time (min),p\n0,1\n0.5,2\n", detect, {"p"}, {30}, ""},
        {"T in degrees is a channel", "T (degrees C),p\n0,1\n1,2\n", detect, {"T", "p"}, {0}, ""},
        {"t without a unit is a channel", "t,p\n0,1\n1,2\n", detect, {"t", "p"}, {0}, ""},
        {"time in volts is a channel", "Time (V),p\n0,1\n1,2\n", detect, {"Time", "p"}, {0}, ""},
        {"only the first column is detected", "p,Time (s)\n1,0\n2,1\n", detect, {"p", "Time"}, {0}, ""},
        {"a lone time column is a channel", "Time (s)\n0\n1\n", detect, {"Time"}, {0}, ""},
        {"not asked for: a channel", "Time (s),p\n0,1\n1,2\n", {}, {"Time", "p"}, {0}, ""},
        {"named, last", "p (V),Zeit (s)\n1,5\n2,5.1\n", TimeFrom(Mode::kNamed, "Zeit"), {"p"}, {0.1}, ""},
        {"numbered", "p,q (ms)\n1,0\n2,4\n", TimeFrom(Mode::kNamed, "1"), {"p"}, {4e-3}, ""},
        {"each block its own", "Time (s),p\n0,1\n1,2\n\n5,3\n5.25,4\n5.5,5\n", detect, {"p"}, {1, 0.25}, ""},
        {"a block of one row has none", "Time (s),p\n0,1\n\n5,3\n6,4\n", detect, {"p"}, {0, 1}, ""},
        {"decimal commas beside semicolons", "Zeit;Time (s);p\n1;0,5;1\n2;1,0;2\n", TimeFrom(Mode::kNamed, "Time"),
         {"Zeit", "p"}, {0.5}, ""},
        {"rounded printing is even", "Time (s),p\n0,1\n0.0003,1\n0.0007,1\n0.0010,1\n0.0013,1\n0.0017,1\n0.0020,1\n",
         detect, {"p"}, {0.0020 / 6}, ""},
        {"uneven: the mean, and a note", "Time (s),p\n0.0,1\n1.0,1\n3.0,1\n4.0,1\n", detect, {"p"}, {4.0 / 3.0},
         "t.csv: block 1: the times are not evenly spaced (steps from 1 s to 2 s)"},
        {"not increasing: none, and a note", "Time (s),p\n0,1\n1,1\n1,1\n2,1\n", detect, {"p"}, {0},
         "t.csv: block 1: the time does not increase at line 4"},
        {"a rate gives every block its interval", "Time (s),p\n0,1\n1,2\n\n3,4\n", TimeFrom(Mode::kDetect, {}, 250),
         {"Time", "p"}, {0.004, 0.004}, ""},
    };
    for (const TimeCase& c : cases) {
        for (size_t piece : {size_t(0), size_t(1), size_t(5)}) {
            Recorded r;
            ASSERT_NO_THROW(r = Read(c.text, piece, c.options)) << c.name << ", pieces of " << piece;
            std::vector<std::string> names;
            for (const CsvColumn& col : r.columns) names.push_back(col.name);
            EXPECT_EQ(names, c.channels) << c.name;
            ASSERT_EQ(r.intervals.size(), c.intervals.size()) << c.name;
            for (size_t b = 0; b < c.intervals.size(); ++b)
                EXPECT_NEAR(r.intervals[b], c.intervals[b], 1e-12 * c.intervals[b]) << c.name << " block " << b;
            if (c.note.empty()) {
                EXPECT_TRUE(r.notes.empty()) << c.name << ": " << (r.notes.empty() ? "" : r.notes[0]);
            } else {
                ASSERT_EQ(r.notes.size(), 1u) << c.name;
                EXPECT_EQ(r.notes[0].rfind(c.note, 0), 0u) << c.name << ": " << r.notes[0];
            }
        }
    }
    // The channels' samples are those of the other columns, in their order.
    const Recorded r = Read("a (mV),Time (s),b\n1,0,2\n3,1,4\n", 0, TimeFrom(Mode::kNamed, "Time"));
    ASSERT_EQ(r.blocks.size(), 1u);
    EXPECT_EQ(r.blocks[0][0], (std::vector<float>{0.001f, 0.003f}));
    EXPECT_EQ(r.blocks[0][1], (std::vector<float>{2, 4}));
}

TEST(CsvReader, RefusesATimeColumnItCannotUse)
{
    using Mode = Velogram::CsvTimeColumn::Mode;
    const std::vector<std::tuple<const char*, std::string, Velogram::CsvReadOptions, std::string>> cases = {
        {"no such column", "a,b\n1,2\n", TimeFrom(Mode::kNamed, "Time"),
         ":1:1: no column \"Time\" holds the time: the header names 2 columns"},
        {"a number past the columns", "a,b\n1,2\n", TimeFrom(Mode::kNamed, "2"), ":1:1: no column \"2\" holds"},
        {"the only column", "Time\n1\n", TimeFrom(Mode::kNamed, "Time"), ":1:1: the time column is the only column"},
        {"not a unit of time", "x (V),b\n1,2\n", TimeFrom(Mode::kNamed, "x"),
         ":1:1: the time column \"x\" has the unit \"V\", which is no unit of time"},
        {"not a number", "Time (s),b\n0,1\nsoon,2\n", TimeFrom(Mode::kDetect),
         ":3:1: \"soon\" is not a number in column 1 (Time)"},
        {"not finite", "Time (s),b\n0,1\ninf,2\n", TimeFrom(Mode::kDetect), ":3:1: \"inf\" is no finite time"},
        {"a rate and a named column", "a,b\n1,2\n", TimeFrom(Mode::kNamed, "a", 10),
         ": a sample rate and a time column cannot both give the sample interval"},
        {"a rate out of range", "a\n1\n", TimeFrom(Mode::kNone, {}, 1e13), ": a sample rate must lie between"},
        {"a negative rate", "a\n1\n", TimeFrom(Mode::kNone, {}, -5), ": a sample rate must lie between"},
    };
    for (const auto& [name, text, options, message] : cases) {
        const std::string error = ErrorOf(text, 0, options);
        EXPECT_EQ(error.rfind("t.csv" + message, 0), 0u) << name << ": " << error;
    }
}

TEST(CsvHeaderCell, QuotesWhatTheReaderWouldSplitAndReadsBack)
{
    EXPECT_EQ(Velogram::CsvHeaderCell("Pressure", "kPa"), "Pressure (kPa)");
    EXPECT_EQ(Velogram::CsvHeaderCell("Pressure", ""), "Pressure");
    EXPECT_EQ(Velogram::CsvHeaderCell("p; abs", "V", ';'), "\"p; abs (V)\"") << "the delimiter in use is quoted";
    EXPECT_EQ(Velogram::CsvHeaderCell("p, abs", "V", '\t'), "p, abs (V)");
    for (const std::string name : {"a, b", "say \"hi\"", "f(x)", " padded "}) {
        const std::string text =
            Velogram::CsvHeaderCell(name, "") + "," + Velogram::CsvHeaderCell(name, "mV") + "\n1,2\n";
        const Recorded r = Read(text);
        ASSERT_EQ(r.columns.size(), 2u) << text;
        const std::string trimmed = name == " padded " ? "padded" : name;
        EXPECT_EQ(r.columns[0].name, trimmed) << text;
        EXPECT_TRUE(r.columns[0].unit.name_.IsEmpty()) << text;
        EXPECT_EQ(r.columns[1].name, trimmed) << text;
        EXPECT_EQ(r.columns[1].unit.prefix_, 7) << text;
    }
}

// A recording written by the writer and read back by the reader.
class CsvRoundTrip : public testing::Test {
protected:
    CsvRoundTrip() : doc_(Zor::Document::Create()) {}

    int32_t AddChannel(const char16_t* name, const char* unit)
    {
        int32_t index = -1;
        doc_->AddChannel(KVI::String(name).Interface(), &index);
        platform::ComPtr<KVI::UnitEntry> entry(new KVI::UnitEntry(Velogram::UnitOfText(unit)));
        doc_->SetChannelUnit(index, entry.Get());
        return index;
    }

    // [in] copy: the text to copy the recording's own columns from; null: all from samples.
    std::string Write(int32_t decimalsChannel = -1, int32_t places = -1, Velogram::CsvRecordingText* copy = nullptr)
    {
        const std::string path = dir_.File("out.csv");
        Velogram::OutputFile out(path);
        Velogram::CsvWriter writer(doc_.Get(), out);
        writer.SetDecimals(decimalsChannel, places);
        if (copy) writer.CopyColumnsFrom(*copy);
        writer.Write();
        out.Commit();
        return ZorTest::ReadFile(path);
    }

    platform::ComPtr<Zor::Document> doc_;
    ZorTest::TempDir dir_;
};

TEST_F(CsvRoundTrip, KeepsChannelsUnitsBlocksAndEveryFloat)
{
    const int32_t a = AddChannel(u"Transducer, left", "mV");
    const int32_t b = AddChannel(u"Force", "N");
    for (int i = 0; i < 3; ++i) doc_->AddBlock(nullptr);  // the last stays empty and is left out
    // More rows than the writer takes in one step, of floats that need all their digits.
    std::vector<float> many(Velogram::CsvWriter::kRowsPerStep + 1000);
    for (size_t i = 0; i < many.size(); ++i) many[i] = std::nextafter(float(i) * 1e-4f, 1.0f) - 0.5f;
    const std::vector<float> few = {1e-30f, -3.4e38f, 0.1f};
    doc_->AppendSamples(a, 0, many.data(), uint32_t(many.size()));
    doc_->AppendSamples(b, 0, many.data(), uint32_t(many.size()));
    doc_->AppendSamples(a, 1, few.data(), 3);
    doc_->AppendSamples(b, 1, few.data(), 3);

    const std::string text = Write();
    EXPECT_EQ(text.rfind("\"Transducer, left (mV)\",Force (N)\n", 0), 0u);
    const Recorded r = Read(text, 65536);
    ASSERT_EQ(r.blocks.size(), 2u);
    EXPECT_EQ(r.columns[0].unit.prefix_, 7);
    // A channel without prefix comes back float for float.
    EXPECT_EQ(r.blocks[0][1], many);
    EXPECT_EQ(r.blocks[1][1], few);
    // A prefixed one is written in its unit (x 1000) and read back to base units: within the
    // float's last place.
    ASSERT_EQ(r.blocks[0][0].size(), many.size());
    for (size_t i = 0; i < many.size(); ++i)
        ASSERT_LE(std::fabs(r.blocks[0][0][i] - many[i]), std::fabs(many[i]) * 1.2e-7f) << i;
    EXPECT_NE(text.find("\n100,0.1\n"), std::string::npos) << "0.1 V is written as 100 mV";
}

TEST_F(CsvRoundTrip, LeavesMissingSamplesEmptyAndWritesGivenDecimals)
{
    const int32_t a = AddChannel(u"a", "V");
    const int32_t b = AddChannel(u"b", "kPa");
    doc_->AddBlock(nullptr);
    const float as[] = {1, 2, 3};
    const float bs[] = {1500, -2.25f};
    doc_->AppendSamples(a, 0, as, 3);
    doc_->AppendSamples(b, 0, bs, 2);
    EXPECT_EQ(Write(), "a (V),b (kPa)\n1,1.5\n2,-0.00225\n3,\n");
    EXPECT_EQ(Write(b, 2), "a (V),b (kPa)\n1,1.50\n2,-0.00\n3,\n");
    EXPECT_EQ(Write(a, 0), "a (V),b (kPa)\n1,1.5\n2,-0.00225\n3,\n");
}

// The names in a folder, hidden ones included.
std::vector<std::string> Names(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OutputFile, AppearsOnlyWhenCommittedAndNeverHalfWritten)
{
    ZorTest::TempDir dir;
    const std::string path = dir.File("out.csv");
    ZorTest::WriteFile(path, "old");
    {
        Velogram::OutputFile out(path);
        out.Write(std::string(3u << 20, 'x'));  // more than its buffer: some is on the disk already
        EXPECT_EQ(ZorTest::ReadFile(path), "old");
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.csv"}) << "the file being written has no name";
    }
    EXPECT_EQ(ZorTest::ReadFile(path), "old") << "an uncommitted file changes nothing";
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.csv"});
    {
        Velogram::OutputFile out(dir.File("new.csv"));
        out.Write("new");
        out.Commit();
    }
    EXPECT_EQ(ZorTest::ReadFile(dir.File("new.csv")), "new");
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(int(std::filesystem::status(dir.File("new.csv")).permissions()), int(0666 & ~mask))
        << "a new file gets the permissions of a new file";
}

TEST(OutputFile, ReplacesAFileKeepingItsPermissionsAndItsLinks)
{
    ZorTest::TempDir dir;
    const std::string real = dir.File("real.csv");
    ZorTest::WriteFile(real, "old");
    std::filesystem::permissions(real, std::filesystem::perms(0640));
    std::filesystem::create_symlink("real.csv", dir.File("link.csv"));
    std::filesystem::create_hard_link(real, dir.File("hard.csv"));
    {
        Velogram::OutputFile out(dir.File("link.csv"));
        out.Write("new");
        out.Commit();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.csv"))) << "the link stays a link";
    EXPECT_EQ(ZorTest::ReadFile(real), "new");
    EXPECT_EQ(int(std::filesystem::status(real).permissions()), 0640);
    EXPECT_EQ(ZorTest::ReadFile(dir.File("hard.csv")), "old") << "a replaced file is a new file";
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"hard.csv", "link.csv", "real.csv"}));
}

TEST(OutputFile, AFolderThatCannotTakeTheFileFailsAtOnceNamingTheReason)
{
    ZorTest::TempDir dir;
    const std::string missing = dir.File("no/such/out.csv");
    const std::string want = "cannot write \"" + missing + "\": No such file or directory";
    for (const auto& make : {std::function<void()>([&] { Velogram::OutputFile out(missing); }),
                             std::function<void()>([&] { Velogram::OutputFile::CheckFolder(missing); })}) {
        try {
            make();
            ADD_FAILURE() << "no error";
        } catch (const Velogram::CommandError& e) {
            EXPECT_EQ(e.what(), want);
        }
    }
    Velogram::OutputFile::CheckFolder(dir.File("fine.csv"));
    EXPECT_TRUE(Names(dir.Path()).empty()) << "a checked folder keeps nothing";
}

Velogram::CsvReadOptions Skip(int64_t lines)
{
    Velogram::CsvReadOptions options;
    options.skipLines = lines;
    return options;
}

// Text read into a recording, a calibrated channel added, and the recording written with the
// text's own columns copied.
class CsvCopy : public CsvRoundTrip {
protected:
    // Appends what the reader delivers to the document.
    struct Into final : Velogram::CsvSink {
        Zor::Document* doc;
        std::vector<int32_t> channels;
        int32_t block = -1;
        void OnHeader(const std::vector<CsvColumn>& columns) override
        {
            for (const CsvColumn& c : columns) {
                int32_t index = -1;
                doc->AddChannel(KVI::String::FromUtf8(c.name).Interface(), &index);
                platform::ComPtr<KVI::UnitEntry> unit(new KVI::UnitEntry(c.unit));
                doc->SetChannelUnit(index, unit.Get());
                channels.push_back(index);
            }
        }
        void OnBlock(int32_t) override { doc->AddBlock(&block); }
        void OnSamples(size_t column, std::span<const float> s) override
        {
            doc->AppendSamples(channels[column], block, s.data(), uint32_t(s.size()));
        }
    };

    // Reads the text (as a file) into the document with the given options.
    std::unique_ptr<Velogram::CsvRecordingText> Import(const std::string& text, Velogram::CsvReadOptions options)
    {
        const std::string path = dir_.File("in.csv");
        ZorTest::WriteFile(path, text);
        auto imported =
            std::make_unique<Velogram::CsvRecordingText>(path, ::open(path.c_str(), O_RDONLY | O_CLOEXEC), options);
        Into sink;
        sink.doc = doc_.Get();
        CsvReader reader(path, sink, options);
        imported->ReadInto(reader, nullptr);
        return imported;
    }

    void AddCalibrated(const std::vector<std::vector<float>>& blocks)
    {
        const int32_t index = AddChannel(u"Cal", "kPa");
        for (size_t b = 0; b < blocks.size(); ++b)
            doc_->AppendSamples(index, int32_t(b), blocks[b].data(), uint32_t(blocks[b].size()));
    }

    std::string WriteCopy(Velogram::CsvRecordingText& text) { return Write(-1, -1, &text); }
};

TEST_F(CsvCopy, WritesEveryLineAsItWasWithTheCalibratedColumnInTheTextsOwnForm)
{
    const std::string in = "\xEF\xBB\xBFGer\xE4t 7\r\n \"T (s)\" ; U (mV) \r\n 0,5 ;\"1,25\" \r\n"
                           "1,000000001;2\r\n\r\n\r\n3;4\r\n";
    const auto text = Import(in, Skip(1));
    AddCalibrated({{1500, 100}, {-0.25f}});
    EXPECT_EQ(WriteCopy(*text), "\xEF\xBB\xBFGer\xC3\xA4t 7\r\n \"T (s)\" ; U (mV) ;Cal (kPa)\r\n"
                                " 0,5 ;\"1,25\" ;1,5\r\n1,000000001;2;0,1\r\n\r\n3;4;-0,00025\r\n");
}

TEST_F(CsvCopy, RefusesATextThatChangedSinceItWasRead)
{
    const auto text = Import("a,b\n1,2\n", {});
    AddCalibrated({{5}});
    ZorTest::WriteFile(dir_.File("in.csv"), "a,b\n1,2\n3,4\n");
    try {
        WriteCopy(*text);
        ADD_FAILURE() << "no error";
    } catch (const Velogram::CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("in.csv has changed since it was read"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("out.csv")));
}

}  // namespace
