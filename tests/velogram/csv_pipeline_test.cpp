// The streamed road of calibrate, in the process, with a plain added column standing in for the
// calibrated channel: for every dialect, line end and block layout, however small the chunks
// and however many threads, the output is the plain reading's (plain_csv.h), byte for byte; a
// fault is the one reading the text in order finds (the same message as CsvReader's), even
// when later chunks are done first; a decimal mark decided late is written as the text has it.
// Run under ThreadSanitizer with the concurrency tests.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/velogram/command_error.h"
#include "host/velogram/csv_calibrate_pipeline.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/output_file.h"
#include "host/velogram/worker_pool.h"
#include "tests/host/temp_dir.h"
#include "tests/velogram/plain_csv.h"

namespace {

using Velogram::AddedColumn;
using Velogram::ColumnProducer;
using Velogram::CsvCalibratePipeline;
using Velogram::CsvPipelineOptions;
using Velogram::WorkerPool;

float Affine(float raw) { return static_cast<float>(2.0 * double(raw) + 1.0); }

struct AffineColumn final : ColumnProducer {
    void Produce(std::span<const float> raw, std::span<float> values) override
    {
        for (size_t i = 0; i < raw.size(); ++i) values[i] = Affine(raw[i]);
    }
};

AddedColumn AffineAdded()
{
    AddedColumn added;
    added.header = "Y (V)";
    added.makeProducer = [] { return std::make_unique<AffineColumn>(); };
    return added;
}

struct Streamed {
    std::string output;  // empty after an error
    std::string error;
    Velogram::CsvPipelineStats stats;
};

// The recording at path through the pipeline into a file of dir, the added column computed
// from column `source`, its samples outside `counted` counted.
Streamed Stream(const ZorTest::TempDir& dir, const std::string& path, size_t source, size_t chunkBytes,
                size_t threads, Velogram::CsvReadOptions csv = {}, Velogram::RawRange counted = {})
{
    Streamed s;
    const std::string target = dir.File("out.csv");
    try {
        WorkerPool pool(threads);
        Velogram::OutputFile out(target);
        CsvPipelineOptions options;
        options.chunkBytes = chunkBytes;
        options.window = threads ? 2 * threads + 2 : 1;
        options.csv = csv;
        CsvCalibratePipeline pipeline(path, out, pool, options);
        pipeline.ReadHead();
        pipeline.Prepare(source, {AffineAdded()}, counted);
        pipeline.Run();
        out.Commit();
        s.stats = pipeline.Stats();
        s.output = ZorTest::ReadFile(target);
        std::filesystem::remove(target);
    } catch (const Velogram::CommandError& e) {
        s.error = e.what();
    }
    return s;
}

// The blocks and rows of text as CsvReader reads it, or its error.
struct Read {
    int32_t blocks = 0;
    int64_t rows = 0;
    std::string error;
};

Read ReadWhole(const std::string& text, const std::string& source)
{
    struct Nothing final : Velogram::CsvSink {
        void OnHeader(const std::vector<Velogram::CsvColumn>&) override {}
        void OnBlock(int32_t) override {}
        void OnSamples(size_t, std::span<const float>) override {}
    } sink;
    Read read;
    try {
        Velogram::CsvReader reader(source, sink);
        reader.Feed(text);
        reader.Finish();
        read.blocks = reader.Blocks();
        read.rows = reader.Rows();
    } catch (const Velogram::CsvError& e) {
        read.error = e.what();
    }
    return read;
}

std::string Rows(int first, int count, const char* pattern)
{
    std::string text;
    char line[64];
    for (int i = first; i < first + count; ++i) {
        std::snprintf(line, sizeof line, pattern, i, i);
        text += line;
    }
    return text;
}

const size_t kChunkSizes[] = {1, 3, 7, 64, CsvPipelineOptions::kDefaultChunkBytes};
const size_t kThreads[] = {0, 3};

TEST(CsvCalibratePipeline, WritesThePlainOutputWhateverTheChunksAndThreads)
{
    struct Case {
        const char* name;
        std::string text;
        char delimiter;
        char decimal;
        size_t source;
        int32_t passes = 1;  // 2: read again for its decimal mark
    };
    const std::string blocks = "T (s),U (V)\n" + Rows(0, 30, "%d,%d.25\n") + "\n\n" + Rows(30, 5, "%d, %d.5 \n") +
                               " \n" + Rows(40, 3, "%d,\"%d.125\"\n");
    const std::vector<Case> cases = {
        {"blocks, blanks and quotes", blocks, ',', '.', 1},
        {"NaN and infinities", "U (V)\n1.5\nnan\n-inf\n\n2.5e-3\ninf\n", ',', '.', 0},
        {"a quoted header name with a comma", "\"T, rel (s)\",U (V)\n0,0.5\n1,1.5\n", ',', '.', 1},
        {"CR LF", "T (s),U (V)\r\n0,1.5\r\n1,2.5\r\n\r\n2,3.5\r\n", ',', '.', 1},
        {"CR alone", "T (s),U (V)\r0,1.5\r1,2.5\r\r2,3.5", ',', '.', 0},
        {"semicolons and decimal commas", "T (s);U (V)\n" + Rows(0, 20, "%d;%d,5\n") + "\n" + Rows(20, 3, "%d;\"%d,75\"\n"),
         ';', ',', 1},
        {"tabs", "T (s)\tU (V)\n" + Rows(0, 20, "%d\t%d.5\n"), '\t', '.', 1},
        {"blank lines before the first row and after the last", "U (V)\n\n\n1\n2\n\n\n", ',', '.', 0},
        // Whole numbers for longer than the dialect is detected from: the mark is decided late,
        // the first time as a semicolon text writes it, the second otherwise (read again).
        {"a late decimal comma", "A (V);U (V)\n" + Rows(0, 40, "%d;%d\n") + "0;2,5\n", ';', ',', 1},
        {"a late decimal point beside semicolons", "A (V);U (V)\n" + Rows(0, 40, "%d;%d\n") + "0;2.5\n", ';', '.', 1, 2},
        {"a late decimal comma beside tabs", "A (V)\tU (V)\n" + Rows(0, 40, "%d\t%d\n") + "0\t2,5\n", '\t', ',', 1, 2},
    };
    ZorTest::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File("in.csv");
        ZorTest::WriteFile(path, c.text);
        // The samples outside [0.5, 20] counted on the plain reading: infinities are, NaN is not.
        const Velogram::RawRange counted{0.5, 20.0};
        int64_t outside = 0;
        const std::string plain =
            VelogramTest::PlainOutput(c.text, c.delimiter, c.decimal, c.source, "Y (V)", [&](float raw) {
                outside += raw < 0.5f || raw > 20.0f;
                return Affine(raw);
            });
        const Read read = ReadWhole(c.text, path);
        ASSERT_EQ(read.error, "") << c.name;
        for (size_t threads : kThreads) {
            for (size_t chunk : kChunkSizes) {
                const Streamed s = Stream(dir, path, c.source, chunk, threads, {}, counted);
                ASSERT_EQ(s.error, "") << c.name << ", chunks of " << chunk << ", " << threads << " threads";
                EXPECT_EQ(s.stats.outside, outside) << c.name << ", chunks of " << chunk << ", " << threads << " threads";
                EXPECT_EQ(s.output, plain) << c.name << ", chunks of " << chunk << ", " << threads << " threads";
                EXPECT_EQ(s.stats.rows, read.rows) << c.name;
                EXPECT_EQ(s.stats.blocks, read.blocks) << c.name;
                EXPECT_EQ(s.stats.passes, c.passes) << c.name;
            }
        }
    }
}

TEST(CsvCalibratePipeline, AFaultIsTheFirstInTheTextWhicheverChunkIsDoneFirst)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const std::string ok = Rows(0, 200, "%d,%d.5\n");
    const std::vector<Case> cases = {
        {"two bad numbers", "T (s),U (V)\n" + ok + "1,x\n" + ok + "2,y\n"},
        {"a ragged row", "T (s),U (V)\n" + ok + "1\n" + ok},
        {"a stray CR", "T (s),U (V)\r\n" + Rows(0, 300, "%d,%d.5\r\n") + "1,\r2\r\n"},
        {"a bad number before an overlong line",
         "T (s),U (V)\n" + ok + "1,x\n" + std::string(Velogram::CsvReader::kMaxLineBytes + 1, '1') + "\n"},
        {"an overlong line", "T (s),U (V)\n" + ok + std::string(Velogram::CsvReader::kMaxLineBytes + 1, '1') + "\n"},
        {"a decimal point after a decimal comma",
         "A (V);U (V)\n" + Rows(0, 100, "%d;%d\n") + "1;1,5\n" + Rows(0, 100, "%d;%d\n") + "2;2.5\n"},
        {"a header of numbers", "1,2\n3,4\n"},
        {"no rows", "T (s),U (V)\n\n\n"},
        {"nothing", ""},
    };
    ZorTest::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File("in.csv");
        ZorTest::WriteFile(path, c.text);
        const Read read = ReadWhole(c.text, path);
        ASSERT_NE(read.error, "") << c.name;
        for (size_t threads : kThreads) {
            for (size_t chunk : {size_t(5), size_t(100), size_t(4096)}) {
                const Streamed s = Stream(dir, path, 0, chunk, threads);
                EXPECT_EQ(s.error, read.error) << c.name << ", chunks of " << chunk << ", " << threads << " threads";
                EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv"))) << c.name;
            }
        }
    }
}

TEST(CsvCalibratePipeline, APipeCannotBeReadAgainForALateDecimalMark)
{
    ZorTest::TempDir dir;
    const std::string fifo = dir.File("pipe.csv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string text;
        std::string error;  // empty: written
    };
    const std::vector<Case> cases = {
        {"A (V);U (V)\n" + Rows(0, 40, "%d;%d\n") + "0;2,5\n", ""},
        {"A (V);U (V)\n" + Rows(0, 40, "%d;%d\n") + "0;2.5\n",
         "is a point, but the rows before were written with the other one; calibrate then reads the recording again "
         "from its start, which it cannot do here: give it a file, not a pipe"},
    };
    for (const Case& c : cases) {
        std::thread writer([&] { ZorTest::WriteFile(fifo, c.text); });
        const Streamed s = Stream(dir, fifo, 1, 8, 2);
        writer.join();
        if (c.error.empty()) {
            EXPECT_EQ(s.error, "");
            EXPECT_EQ(s.output, VelogramTest::PlainOutput(c.text, ';', ',', 1, "Y (V)", Affine));
        } else {
            EXPECT_EQ(s.error.rfind(fifo + ": the values' first decimal mark, at line ", 0), 0u) << s.error;
            EXPECT_NE(s.error.find(c.error), std::string::npos) << s.error;
        }
    }
}

TEST(CsvCalibratePipeline, HeadTextPassesThroughDecoded)
{
    // A preamble, a UTF-16 text and a Windows-1252 header: the output is UTF-8, with a
    // byte-order mark when the input had one.
    struct Case {
        const char* name;
        std::string bytes;
        Velogram::CsvReadOptions csv;
        std::string output;
    };
    const auto utf16 = [](const std::string& ascii) {
        std::string bytes = "\xFF\xFE";
        for (char c : ascii) bytes += std::string{c, '\0'};
        return bytes;
    };
    const std::vector<Case> cases = {
        {"a preamble", "Logger 7\nserial 9\nU (V)\n1\n", {2, {}, {}, 0}, "Logger 7\nserial 9\nU (V),Y (V)\n1,3\n"},
        {"UTF-16", utf16("U (V)\r\n1\r\n"), {}, "\xEF\xBB\xBFU (V),Y (V)\r\n1,3\r\n"},
        {"UTF-8 with a mark", "\xEF\xBB\xBFU (V)\n1\n", {}, "\xEF\xBB\xBFU (V),Y (V)\n1,3\n"},
        {"Windows-1252", "\xB5U (V)\n1\n", {}, "\xC2\xB5U (V),Y (V)\n1,3\n"},
    };
    ZorTest::TempDir dir;
    for (const Case& c : cases) {
        ZorTest::WriteFile(dir.File("in.csv"), c.bytes);
        for (size_t chunk : {size_t(1), size_t(4096)}) {
            const Streamed s = Stream(dir, dir.File("in.csv"), 0, chunk, 2, c.csv);
            EXPECT_EQ(s.error, "") << c.name;
            EXPECT_EQ(s.output, c.output) << c.name << ", chunks of " << chunk;
        }
    }
}

}  // namespace
