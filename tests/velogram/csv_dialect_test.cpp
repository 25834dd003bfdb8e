// CSV as acquisition programs write it: the separator and decimal mark found from the header
// and the first rows, preambles, line ends, encodings, and what the reader says about text it
// refuses; and the lines a line sink gets, which calibrate copies to its output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/velogram/csv_dialect.h"
#include "host/velogram/csv_reader.h"

namespace {

using Velogram::CsvColumn;
using Velogram::CsvDialectChoice;
using Velogram::CsvError;
using Velogram::CsvReader;
using Velogram::CsvReadOptions;
using Velogram::DecimalMark;

CsvReadOptions Skip(int64_t lines)
{
    CsvReadOptions options;
    options.skipLines = lines;
    return options;
}

CsvReadOptions Choose(std::optional<char> delimiter, std::optional<bool> decimalComma)
{
    CsvReadOptions options;
    options.dialect = {delimiter, decimalComma};
    return options;
}

struct DetectCase {
    const char* name;
    std::string header;
    std::vector<std::string_view> rows;
    CsvDialectChoice choice;
    char delimiter;
    DecimalMark mark;
};

TEST(CsvDialect, DetectsTheSeparatorAndDecimalMarkFromTheHeaderAndFirstRows)
{
    const auto P = DecimalMark::kPoint, C = DecimalMark::kComma, U = DecimalMark::kUndecided;
    const CsvDialectChoice none;
    const std::vector<DetectCase> cases = {
        {"comma, point", "a,b", {"1.5,2"}, none, ',', P},
        {"semicolon, decimal comma", "a;b", {"1,5;2,25", "3;4"}, none, ';', C},
        {"semicolon, point", "a;b", {"1.5;2"}, none, ';', P},
        {"semicolon, whole numbers", "a;b", {"1;2", "3;4"}, none, ';', U},
        {"tab, decimal comma", "a\tb", {"1,5\t2"}, none, '\t', C},
        {"tab, a comma in a name", "Druck (kPa, abs)\tT", {"1.5\t2"}, none, '\t', P},
        {"semicolon, a comma in a name", "Zeit (s);Druck (kPa, abs)", {"0,5;1,5"}, none, ';', C},
        {"a comma inside quotes", "\"a,b\";c", {"1;2"}, none, ';', U},
        {"the rows decide between two in the header", "a,b;c", {"1;2,5"}, none, ';', C},
        {"one column, point", "Sig (V)", {"1.5", "2"}, none, ',', P},
        {"one column, decimal comma", "Sig (V)", {"1,5", "2"}, none, ';', C},
        {"ragged rows keep the header's separator", "a,b", {"1", "2"}, none, ',', P},
        {"no rows", "a;b", {}, none, ';', U},
        {"the mark of the first value that has one", "a;b", {"1;2", "3;4.5", "5,5;6"}, none, ';', P},
        {"a chosen separator", "a,b", {"1,5"}, {';', std::nullopt}, ';', C},
        {"a chosen decimal comma rules out commas", "x", {"1,5"}, {std::nullopt, true}, ';', C},
        {"a chosen point", "a;b", {"1,5;2"}, {std::nullopt, false}, ';', P},
        {"a chosen tab, its mark detected", "a;b\tc", {"1;2\t3,5"}, {'\t', std::nullopt}, '\t', C},
    };
    for (const DetectCase& c : cases) {
        const Velogram::CsvDialect d = Velogram::DetectCsvDialect(c.header, c.rows, c.choice);
        EXPECT_EQ(d.delimiter, c.delimiter) << c.name;
        EXPECT_EQ(int(d.decimal), int(c.mark)) << c.name;
    }
    // What a writer uses while the mark is undecided.
    EXPECT_EQ((Velogram::CsvDialect{';', U}.DecimalChar()), ',');
    EXPECT_EQ((Velogram::CsvDialect{'\t', U}.DecimalChar()), '.');
    EXPECT_EQ((Velogram::CsvDialect{'\t', C}.DecimalChar()), ',');
}

TEST(CsvDialect, NamesDelimitersAndTellsNumbersByMark)
{
    char d = 0;
    for (const auto& [text, want] : std::vector<std::pair<std::string, char>>{
             {"comma", ','}, {",", ','}, {"semicolon", ';'}, {";", ';'}, {"tab", '\t'}, {"\\t", '\t'}, {"\t", '\t'}}) {
        ASSERT_TRUE(Velogram::ParseCsvDelimiter(text, &d)) << text;
        EXPECT_EQ(d, want) << text;
        EXPECT_TRUE(Velogram::ParseCsvDelimiter(Velogram::CsvDelimiterName(want), &d));
    }
    EXPECT_FALSE(Velogram::ParseCsvDelimiter("|", &d));
    EXPECT_FALSE(Velogram::ParseCsvDelimiter("", &d));

    EXPECT_TRUE(Velogram::IsCsvNumber("-1,5e3", DecimalMark::kComma));
    EXPECT_FALSE(Velogram::IsCsvNumber("1.5", DecimalMark::kComma)) << "a point may be a thousands separator there";
    EXPECT_FALSE(Velogram::IsCsvNumber("1,5", DecimalMark::kPoint));
    EXPECT_TRUE(Velogram::IsCsvNumber("+1,5", DecimalMark::kUndecided));
    EXPECT_FALSE(Velogram::IsCsvNumber("1.000,5", DecimalMark::kUndecided));
    EXPECT_FALSE(Velogram::IsCsvNumber("1,2,3", DecimalMark::kComma));

    EXPECT_EQ(Velogram::PrintableText("a\r\tb\n\0c"), "a\\r\\tb\\n");
    EXPECT_EQ(Velogram::PrintableText(std::string_view("\0\x01\x7F", 3)), "\\0\\x01\\x7F");
    EXPECT_EQ(Velogram::PrintableText("\xC2\xB5V"), "\xC2\xB5V") << "UTF-8 stays";
    EXPECT_EQ(Velogram::PrintableText("\xB5V"), "\\xB5V") << "other bytes are written out";
}

// What a sink was given, per block per column.
struct Recorded final : Velogram::CsvSink {
    std::vector<CsvColumn> columns;
    std::vector<std::vector<std::vector<float>>> blocks;

    void OnHeader(const std::vector<CsvColumn>& c) override { columns = c; }
    void OnBlock(int32_t) override { blocks.emplace_back(columns.size()); }
    void OnSamples(size_t column, std::span<const float> samples) override
    {
        auto& to = blocks.back()[column];
        to.insert(to.end(), samples.begin(), samples.end());
    }
};

// Feeds text in pieces of the given size (0: whole); [out] the reader's account.
Recorded Read(const std::string& text, const CsvReadOptions& options, size_t piece = 0,
              Velogram::CsvDialect* dialect = nullptr, std::string* lineEnd = nullptr,
              std::vector<std::string>* notes = nullptr)
{
    Recorded sink;
    CsvReader reader("t.csv", sink, options);
    if (piece == 0) piece = text.size() + 1;
    for (size_t i = 0; i < text.size(); i += piece) reader.Feed(std::string_view(text).substr(i, piece));
    reader.Finish();
    if (dialect) *dialect = reader.Dialect();
    if (lineEnd) *lineEnd = reader.LineEnd();
    if (notes) *notes = reader.Notes();
    return sink;
}

std::string Utf16(std::u16string_view text, bool littleEndian)
{
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : text) {
        const char lo = char(u & 0xFF), hi = char(u >> 8);
        bytes += littleEndian ? lo : hi;
        bytes += littleEndian ? hi : lo;
    }
    return bytes;
}

using Blocks = std::vector<std::vector<std::vector<float>>>;

struct AcquisitionCase {
    const char* name;
    std::string text;
    CsvReadOptions options;
    std::vector<std::string> names;
    Blocks blocks;
    char delimiter;
    std::string lineEnd;
};

TEST(CsvReader, ReadsWhatAcquisitionProgramsWriteHoweverTheTextIsCut)
{
    std::string manyWhole = "a;b\n";
    for (int i = 0; i < int(CsvReader::kDetectionRows) + 1; ++i) manyWhole += "1;2\n";
    manyWhole += "1,5;2\n";
    Blocks manyBlocks(1, std::vector<std::vector<float>>(2));
    for (int i = 0; i < int(CsvReader::kDetectionRows) + 1; ++i) {
        manyBlocks[0][0].push_back(1);
        manyBlocks[0][1].push_back(2);
    }
    manyBlocks[0][0].push_back(1.5f);
    manyBlocks[0][1].push_back(2);

    const std::vector<AcquisitionCase> cases = {
        {"semicolons and decimal commas", "Zeit (s);U (mV)\n0,5;1,25\n1;-2,5e-1\n", {}, {"Zeit", "U"},
         {{{0.5f, 1}, {0.00125f, -0.00025f}}}, ';', "\n"},
        {"tabs, blanks around values", "a\tb\n1.5\t 2 \n", {}, {"a", "b"}, {{{1.5f}, {2}}}, '\t', "\n"},
        {"quoted values", "a;b\n\"1,5\" ; \"2\"\n", {}, {"a", "b"}, {{{1.5f}, {2}}}, ';', "\n"},
        {"a preamble skipped", "Device: X, serial 5\nDate;2024-05-01\na;b\n1;2\n", Skip(2), {"a", "b"},
         {{{1}, {2}}}, ';', "\n"},
        {"skipped lines count blank ones", "\n\na\n1\n", Skip(1), {"a"}, {{{1}}}, ',', "\n"},
        {"CR alone ends lines", "a,b\r1,2\r\r3,4\r", {}, {"a", "b"}, {{{1}, {2}}, {{3}, {4}}}, ',', "\r"},
        {"CR LF", "a;b\r\n1;2\r\n\r\n3;4", {}, {"a", "b"}, {{{1}, {2}}, {{3}, {4}}}, ';', "\r\n"},
        {"CR LF lines in an LF text", "a\n1\r\n2\n", {}, {"a"}, {{{1, 2}}}, ',', "\n"},
        {"UTF-16 little-endian", Utf16(u"Spannung (\u00B5V);T\r\n1,5;2\r\n", true), {}, {"Spannung", "T"},
         {{{1.5e-6f}, {2}}}, ';', "\r\n"},
        {"UTF-16 big-endian", Utf16(u"Spannung (\u00B5V)\tT\n1.5\t2\n", false), {}, {"Spannung", "T"},
         {{{1.5e-6f}, {2}}}, '\t', "\n"},
        {"a Windows-1252 header", "Spannung \xB5V (V);T (\xB0""C)\n1;2\n", {}, {"Spannung \xC2\xB5V", "T"},
         {{{1}, {2}}}, ';', "\n"},
        {"the mark decided after the detection rows", manyWhole, {}, {"a", "b"}, manyBlocks, ';', "\n"},
        {"a chosen delimiter", "a,b\n1,5\n", Choose(';', std::nullopt), {"a,b"}, {{{1.5f}}}, ';', "\n"},
    };
    for (const AcquisitionCase& c : cases) {
        for (size_t piece : {size_t(0), size_t(1), size_t(3)}) {
            Recorded r;
            Velogram::CsvDialect dialect;
            std::string lineEnd;
            ASSERT_NO_THROW(r = Read(c.text, c.options, piece, &dialect, &lineEnd)) << c.name << ", pieces " << piece;
            std::vector<std::string> names;
            for (const CsvColumn& col : r.columns) names.push_back(col.name);
            EXPECT_EQ(names, c.names) << c.name;
            EXPECT_EQ(r.blocks, c.blocks) << c.name << ", pieces " << piece;
            EXPECT_EQ(dialect.delimiter, c.delimiter) << c.name;
            EXPECT_EQ(lineEnd, c.lineEnd) << c.name << ", pieces " << piece;
        }
    }
}

TEST(CsvReader, NotesAHeaderReadAsWindows1252AndDecidesTheMarkAtTheFirstValueWithOne)
{
    std::vector<std::string> notes;
    Read("a (\xB5V)\n1\n", {}, 0, nullptr, nullptr, &notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "t.csv:1: not UTF-8 text; read as Windows-1252");
    Read("a (\xC2\xB5V)\n1\n", {}, 0, nullptr, nullptr, &notes);
    EXPECT_TRUE(notes.empty()) << "UTF-8 needs no note";

    Velogram::CsvDialect dialect;
    Read("a;b\n1;2\n", {}, 0, &dialect);
    EXPECT_EQ(int(dialect.decimal), int(DecimalMark::kUndecided));
    Read("a;b\n1;2,5\n", {}, 0, &dialect);
    EXPECT_EQ(int(dialect.decimal), int(DecimalMark::kComma));
    // Past the rows the dialect is found from, the first value with a point decides too.
    std::string rows = "a;b\n";
    for (int i = 0; i < 200; ++i) rows += std::to_string(i) + ";" + std::to_string(i % 7) + "\n";
    Read(rows + "3;4.5\n", {}, 0, &dialect);
    EXPECT_EQ(int(dialect.decimal), int(DecimalMark::kPoint));
    const std::string message = [&] {
        try {
            Read(rows + "3;4.5\n5;1,5\n", {});
        } catch (const CsvError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    }();
    EXPECT_NE(message.find("the decimal mark of this text is a point"), std::string::npos) << message;
}

struct BadCase {
    const char* name;
    std::string text;
    CsvReadOptions options;
    std::string message;  // after the file name
};

TEST(CsvReader, RefusesBadDialectTextNamingWhatIsWrong)
{
    const std::vector<BadCase> cases = {
        {"a stray CR", "a,b\n1,\r2\n", {}, ":2:3: a stray carriage return (\\r) in the line: the lines of this text end with LF"},
        {"a stray CR in CR LF text", "a\r\n1\r2\r\n", {}, ":2:2: a stray carriage return (\\r) in the line: the lines of this text end with CR LF"},
        {"a point in a decimal-comma text", "a;b\n1,5;2\n1.5;2\n", {},
         ":3:1: \"1.5\" is not a number in column 1 (a): the decimal mark of this text is a comma"},
        {"a comma in a decimal-point text", "a;b\n1.5;2\n1,5;2\n", {},
         ":3:1: \"1,5\" is not a number in column 1 (a): the decimal mark of this text is a point"},
        {"UTF-16 without a byte-order mark", std::string("a\0,\0b\0\n\0001\0,\0002\0\n\0", 16), {},
         ":1:2: the header holds NUL bytes (\\0): UTF-16 text needs a byte-order mark"},
        {"control characters in a value", "a\n1\x01\t\n", {}, ":2:1: \"1\\x01\" is not a number"},
        {"an unclosed quoted value", "a;b\n\"1;2\n", {}, ":2:1: a quoted value is not closed in column 1"},
        {"text after a quoted value", "a,b\n\"1\"x,2\n", {}, ":2:4: text after the closing quote of a value in column 1"},
        {"a decimal comma between commas", "a\n1\n", Choose(',', true), ": a decimal comma needs values separated by semicolons or tabs"},
        {"all lines skipped", "a\n1\n", Skip(5), ": no header row"},
        {"a preamble not skipped", "Device X\na;b\n1;2\n", {}, ":2:1: \"a;b\" is not a number in column 1 (Device X)"},
    };
    for (const BadCase& c : cases) {
        for (size_t piece : {size_t(0), size_t(1)}) {
            std::string error = "no error";
            try {
                Read(c.text, c.options, piece);
            } catch (const CsvError& e) {
                error = e.what();
            }
            EXPECT_EQ(error.rfind("t.csv" + c.message, 0), 0u) << c.name << ": " << error;
            EXPECT_EQ(error.find('\r'), std::string::npos) << c.name << ": no raw CR in a message";
        }
    }
}

// Every call a line sink gets, as "kind:text".
struct Lines final : Velogram::CsvLineSink {
    std::vector<std::string> calls;
    void OnPreamble(std::string_view line) override { calls.push_back("preamble:" + std::string(line)); }
    void OnHeaderLine(std::string_view line) override { calls.push_back("header:" + std::string(line)); }
    void OnBlock(int32_t block) override { calls.push_back("block:" + std::to_string(block)); }
    void OnRow(std::string_view line) override { calls.push_back("row:" + std::string(line)); }
};

TEST(CsvReader, PassesEveryLineAsItIsToALineSink)
{
    const std::string text = "\xEF\xBB\xBFGer\xE4t 7\r\n\r\n\r\n \"T (s)\" ; U (mV) \r\n 0,5 ;\"1,25\" \r\n\r\n\r\n1;2\r\n";
    const std::vector<std::string> want = {
        "preamble:Ger\xC3\xA4t 7", "preamble:", "header: \"T (s)\" ; U (mV) ", "block:0", "row: 0,5 ;\"1,25\" ",
        "block:1", "row:1;2"};
    for (size_t piece : {size_t(1), size_t(2), size_t(1000)}) {
        Lines sink;
        CsvReader reader("t.csv", sink, Skip(2));
        for (size_t i = 0; i < text.size(); i += piece) reader.Feed(std::string_view(text).substr(i, piece));
        reader.Finish();
        EXPECT_EQ(sink.calls, want) << "pieces of " << piece;
        EXPECT_EQ(reader.Rows(), 2);
        EXPECT_EQ(reader.LineEnd(), "\r\n");
        EXPECT_EQ(int(reader.Encoding()), int(Velogram::TextEncoding::kUtf8WithMark));
    }
}

}  // namespace
