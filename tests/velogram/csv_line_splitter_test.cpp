// The line splitter cutting CSV text into runs of whole lines: however the text arrives in
// pieces, the lines of the runs, their numbers and the text's line end are those a plain reading
// of the whole text gives; no run ends inside a line, a quoted value or a CR LF; an overlong
// line is refused at its number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/velogram/csv_line_splitter.h"
#include "tests/velogram/plain_csv.h"

namespace {

using Velogram::CsvError;
using Velogram::CsvLineCursor;
using Velogram::CsvLineEnds;
using Velogram::CsvLineSplitter;
using Velogram::CsvRun;

using VelogramTest::Line;
using VelogramTest::PlainLines;

// What the splitter made of the text fed in pieces of `piece` bytes.
struct Split final : Velogram::CsvRunSink {
    std::vector<Line> lines;
    std::vector<std::string> runs;
    std::string lineEnd;
    bool numbersFollow = true;  // every run's first line follows the last line of the run before

    void OnRun(const CsvRun& run) override
    {
        runs.emplace_back(run.text);
        if (run.firstLine != int64_t(lines.size()) + 1) numbersFollow = false;
        const std::string source = "t.csv";
        CsvLineCursor cursor(run, source);
        std::string_view line;
        while (cursor.Next(&line)) lines.push_back({cursor.Line(), std::string(line)});
    }
};

Split SplitInPieces(const std::string& text, size_t piece)
{
    Split split;
    CsvLineSplitter splitter("t.csv");
    for (size_t i = 0; i < text.size(); i += piece) splitter.Feed(std::string_view(text).substr(i, piece), split);
    splitter.Finish(split);
    split.lineEnd = std::string(splitter.LineEnd());
    return split;
}

TEST(CsvLineSplitter, RunsHoldTheLinesOfThePlainReadingHoweverTheTextIsCut)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"LF", "T (s),U (V)\n0,1.5\n1,2.5\n"},
        {"CR LF", "T (s),U (V)\r\n0,1.5\r\n\r\n1,2.5\r\n"},
        {"CR LF first, then LF", "A\r\n1\n2\r\n3\n"},
        {"CR alone", "A\r1\r\r2\r"},
        {"CR first, then LF and CR LF", "A\r1\n2\r\n3\r4"},
        {"no final line end", "A\n1\n2"},
        {"a final CR LF cut after its CR", "A\r\n1\r\n"},
        {"one line, no line end", "only"},
        {"one line ended by CR", "only\r"},
        {"blank lines between blocks", "A\n1\n\n \t\n\n2\n3\n\n"},
        {"quoted values with separators", "\"a, b (V)\";x\n\"1,5\";\"2,25\"\n\"3,5\" ; 4\n"},
        {"empty", ""},
        {"only line ends", "\n\n\n"},
        {"a stray CR stays in its line", "A\n1\r2\n3\r\n"},
    };
    for (const Case& c : cases) {
        std::string plainEnd;
        const std::vector<Line> plain = PlainLines(c.text, &plainEnd);
        for (size_t piece = 1; piece <= c.text.size() + 1; ++piece) {
            const Split split = SplitInPieces(c.text, piece);
            ASSERT_EQ(split.lines, plain) << c.name << ", pieces of " << piece;
            EXPECT_TRUE(split.numbersFollow) << c.name << ", pieces of " << piece;
            EXPECT_EQ(split.lineEnd, plainEnd) << c.name << ", pieces of " << piece;
            // Every run but the text's last ends with a line end; with CR line ends a run's
            // final CR is never followed by the LF of its CR LF in the next run.
            for (size_t r = 0; r + 1 < split.runs.size(); ++r) {
                const std::string& run = split.runs[r];
                ASSERT_FALSE(run.empty()) << c.name;
                EXPECT_TRUE(run.back() == '\n' || (plainEnd == "\r" && run.back() == '\r')) << c.name << " run " << r;
                if (run.back() == '\r') {
                    EXPECT_NE(split.runs[r + 1].front(), '\n') << c.name << " run " << r;
                }
            }
        }
    }
}

TEST(CsvLineSplitter, AnOverlongLineIsRefusedAtItsNumberWhateverThePieces)
{
    const size_t max = CsvLineSplitter::kMaxLineBytes;
    struct Case {
        const char* name;
        std::string text;
        int64_t line;
    };
    const std::vector<Case> cases = {
        {"the first line, before any line end", std::string(max + 1, 'x'), 1},
        {"a later line", "A\n1\n" + std::string(max + 1, '2') + "\n3\n", 3},
        {"a later line with CR line ends", "A\r1\r" + std::string(max + 5, '2'), 3},
        {"its CR LF's CR counts", "A\r\n" + std::string(max, '1') + "\r\n", 2},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(4096), max / 3, c.text.size()}) {
            try {
                SplitInPieces(c.text, piece);
                ADD_FAILURE() << c.name << ": no error with pieces of " << piece;
            } catch (const CsvError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "t.csv:" + std::to_string(c.line) + ":" + std::to_string(max) + ": the line is longer than " +
                              std::to_string(max) + " bytes")
                    << c.name << ", pieces of " << piece;
            }
        }
    }
    // Exactly the limit is a line.
    const Split split = SplitInPieces("A\n" + std::string(max, '1') + "\n", 1000);
    ASSERT_EQ(split.lines.size(), 2u);
    EXPECT_EQ(split.lines[1].text.size(), max);
}

TEST(CsvLineCursor, TheRestAfterEachLineIsTheLinesAfterIt)
{
    // Every line end, and a last line with and without one: after each line the rest holds
    // the lines that follow, numbered on, and nothing after the last.
    struct Case {
        std::string text;
        Velogram::CsvLineEnds ends;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"a\nbb\n\nc", Velogram::CsvLineEnds::kLf, {"a", "bb", "", "c"}},
        {"a\nbb\n", Velogram::CsvLineEnds::kLf, {"a", "bb"}},
        {"a\r\nb\r\n", Velogram::CsvLineEnds::kLf, {"a", "b"}},
        {"a\rb\r\nc\n\rd", Velogram::CsvLineEnds::kCr, {"a", "b", "c", "", "d"}},
        {"a\rb", Velogram::CsvLineEnds::kCr, {"a", "b"}},
        {"x", Velogram::CsvLineEnds::kLf, {"x"}},
    };
    const std::string source = "t.csv";
    for (const Case& c : cases) {
        const CsvRun run{c.text, 7, c.ends};
        CsvLineCursor cursor(run, source);
        std::string_view line;
        for (size_t i = 0; i < c.lines.size(); ++i) {
            ASSERT_TRUE(cursor.Next(&line)) << c.text << ", line " << i;
            EXPECT_EQ(line, c.lines[i]) << c.text;
            EXPECT_EQ(cursor.Line(), 7 + int64_t(i));
            const CsvRun rest = cursor.Rest();
            EXPECT_EQ(rest.firstLine, 8 + int64_t(i));
            // The rest read on its own gives the remaining lines.
            CsvLineCursor after(rest, source);
            std::vector<std::string> remaining;
            while (after.Next(&line)) remaining.emplace_back(line);
            EXPECT_EQ(remaining, std::vector<std::string>(c.lines.begin() + long(i) + 1, c.lines.end())) << c.text;
        }
        EXPECT_FALSE(cursor.Next(&line)) << c.text;
    }
}

}  // namespace
