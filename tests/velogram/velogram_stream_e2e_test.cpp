// calibrate's streamed road and its batch form through the built velogram: a CSV recording
// streamed in chunks on several threads comes out byte for byte as when it is read whole
// first (the road through the framework's recording, kept behind a hidden switch), however
// small the chunks; several recordings go into a folder, each whole or not at all, one failing
// among good ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/velogram/velogram_run.h"

namespace {

using VelogramTest::Result;
using VelogramTest::Velogram;

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST_F(Velogram, AStreamedRecordingIsTheRecordingReadWholeByteForByte)
{
    // Rows long enough that 5- and 17-byte chunks end inside quoted values, blocks, NaN, blanks,
    // more digits than a float holds, and a column in mV.
    std::string rows;
    for (int i = 0; i < 300; ++i) {
        rows += std::to_string(i) + ".000000123,\"" + std::to_string(i % 37) + ".123456789\"" +
                (i % 7 == 0 ? ", nan" : ",  " + std::to_string(i % 11) + ".5") + "\n";
        if (i % 50 == 49) rows += "\n \n";
    }
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> options;
    };
    std::string crlf;
    for (char c : "Time (s),Transducer (mV),Other (V)\n" + rows) {
        if (c == '\n') crlf += '\r';
        if (c) crlf += c;
    }
    std::string semicolon = "Time (s);Transducer (mV);Other (V)\n" + rows;
    for (char& c : semicolon) c = c == ',' ? ';' : c == '.' ? ',' : c;
    const std::vector<std::string> quintic = {"--point", "0=0",     "--point", "10=20",   "--point", "20=41",
                                              "--point", "30=59",   "--point", "40=81",   "--point", "50=100",
                                              "--fit",   "quintic", "--unit",  "mmHg"};
    const std::vector<Case> cases = {
        {"a quintic, LF", "Time (s),Transducer (mV),Other (V)\n" + rows, quintic},
        {"point to point, CR LF, 3 decimals", crlf,
         {"--point", "0=0", "--point", "20=50", "--point", "40=60", "--fit", "point-to-point", "--unit", "kPa",
          "--decimals", "3"}},
        {"semicolons and decimal commas", semicolon, quintic},
    };
    for (const Case& c : cases) {
        Write("rec.csv", c.text);
        const std::vector<std::string> base = With({"calibrate", "rec.csv", "--channel", "1"}, c.options);
        const Result whole = Run(With(base, {"-o", "whole.csv", "--whole-recording"}));
        ASSERT_EQ(whole.status, 0) << c.name << ": " << whole.err;
        const std::string reference = Read("whole.csv");
        ASSERT_GT(reference.size(), c.text.size()) << c.name;
        const std::vector<std::vector<std::string>> roads = {
            {"--threads", "1"}, {"--threads", "4", "--chunk-bytes", "5"}, {"--threads", "3", "--chunk-bytes", "17"},
            {"--chunk-bytes", "4096"}};
        for (const std::vector<std::string>& road : roads) {
            const Result r = Run(With(With(base, {"-o", "streamed.csv"}), road));
            ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
            EXPECT_EQ(r.err, whole.err) << c.name;
            EXPECT_TRUE(Read("streamed.csv") == reference) << c.name << " " << road[0] << " " << road[1];
        }
    }
}

TEST_F(Velogram, RecordingsGoIntoAFolderEachWholeAndOneFailingDoesNotStopTheOthers)
{
    const std::vector<std::string> line = {"--channel", "0", "--point", "0=0", "--point", "1=100", "--fit", "linear",
                                           "--unit", "mmHg"};
    std::filesystem::create_directories(dir_.File("sub"));
    std::filesystem::create_directories(dir_.File("out"));
    Write("a.csv", "Transducer (V)\n0\n0.25\n\n0.5\n");
    Write("bad.csv", "Transducer (V)\n0\n0.5x\n1\n");
    Write("sub/c.csv", "Transducer (V)\n1\n2\n");
    ASSERT_EQ(Run(With({"calibrate", "a.csv", "-o", "a-alone.csv"}, line)).status, 0);
    ASSERT_EQ(Run(With({"calibrate", "a.csv", "-o", "a.vdoc"}, line)).status, 0);

    const Result r = Run(With({"calibrate", "a.csv", "bad.csv", "sub/c.csv", "a.vdoc", "--output-dir", "out"}, line));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "a.csv: 3 samples in 2 blocks calibrated into out/a.csv\n"
              "sub/c.csv: 2 samples in 1 block calibrated into out/c.csv, 1 outside the reference points' raw range "
              "(extrapolate)\n"
              "a.vdoc: 3 samples in 2 blocks calibrated into out/a.vdoc\n");
    EXPECT_EQ(r.err,
              "velogram: error: bad.csv:3:1: \"0.5x\" is not a number in column 1 (Transducer)\n"
              "velogram: 1 of 4 recordings failed; the others were written\n");
    std::vector<std::string> written;
    for (const auto& e : std::filesystem::directory_iterator(dir_.File("out"))) written.push_back(e.path().filename());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"a.csv", "a.vdoc", "c.csv"})) << "no temporary file is left";
    EXPECT_EQ(Read("out/a.csv"), Read("a-alone.csv")) << "each as calibrate -o writes it";
    EXPECT_EQ(Read("out/c.csv"), "Transducer (V),Transducer calibrated (mmHg)\n1,100\n2,200\n");

    // All written: exit 0, nothing on standard error.
    const Result good = Run(With({"calibrate", "a.csv", "sub/c.csv", "--output-dir", "out", "--threads", "1"}, line));
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.err, "");
}

TEST_F(Velogram, TheFolderFormIsRefusedBeforeAnyRecordingIsRead)
{
    const std::vector<std::string> line = {"--channel", "0", "--point", "0=0", "--point", "1=100", "--fit", "linear",
                                           "--unit", "mmHg"};
    std::filesystem::create_directories(dir_.File("sub"));
    std::filesystem::create_directories(dir_.File("out"));
    Write("a.csv", "Transducer (V)\n0\n");
    Write("sub/a.csv", "Transducer (V)\n1\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"two recordings of one name", {"a.csv", "sub/a.csv", "--output-dir", "out"}, 1,
         "the recordings a.csv and sub/a.csv would both be written to out/a.csv"},
        {"no such folder", {"a.csv", "--output-dir", "none"}, 1, "cannot write \"none/a.csv\": No such file or directory"},
        {"-o with several", {"a.csv", "sub/a.csv", "-o", "x.csv"}, 2, "-o writes one recording"},
        {"neither", {"a.csv"}, 2, "-o FILE or --output-dir DIR is required"},
        {"both", {"a.csv", "-o", "x.csv", "--output-dir", "out"}, 2, "--output excludes --output-dir"},
        {"a report", {"a.csv", "--output-dir", "out", "--report", "r.png"}, 2, "--report goes with -o"},
    };
    for (const Case& c : cases) {
        const Result r = Run(With(With({"calibrate"}, c.args), line));
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.rfind("velogram: error: " + c.message, 0), 0u) << c.name << ": " << r.err;
        EXPECT_TRUE(std::filesystem::is_empty(dir_.File("out"))) << c.name;
    }
}

}  // namespace
