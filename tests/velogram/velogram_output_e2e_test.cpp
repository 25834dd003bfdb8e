// What calibrate does to the user's files, through the built velogram: it never writes over a
// file it reads, copies the recording's own text byte for byte, leaves nothing behind when
// killed or refused, finds an unusable output folder before reading, names the reason of a
// failed write, and reads the CSV dialects acquisition programs write, each to the same
// calibrated values as the comma file it was made from.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/velogram/velogram_run.h"

namespace {

using VelogramTest::Cells;
using VelogramTest::Limits;
using VelogramTest::Result;
using VelogramTest::Velogram;

const std::vector<std::string> kLine = {"--point", "0=0", "--point", "1=100", "--fit", "linear", "--unit", "mmHg"};

std::vector<std::string> Calibrate(const std::string& in, const std::string& out, const std::string& channel = "0",
                                   std::vector<std::string> more = {})
{
    std::vector<std::string> args = {"calibrate", in, "--channel", channel, "-o", out};
    args.insert(args.end(), kLine.begin(), kLine.end());
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The lines of a text, without their line ends (LF here).
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

TEST_F(Velogram, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsRead)
{
    const std::string recording = "T (s),U (V)\n0.123456789,12345678.9\n0.5,0.25\n";
    Write("rec.csv", recording);
    Write("points.csv", "0,0\n1,100\n");
    std::filesystem::create_symlink("rec.csv", dir_.File("link.csv"));
    std::filesystem::create_hard_link(dir_.File("rec.csv"), dir_.File("hard.csv"));
    std::filesystem::create_directory(dir_.File("sub"));
    ASSERT_EQ(Run(Calibrate("rec.csv", "rec.vdoc")).status, 0);
    const std::string document = Read("rec.vdoc");
    const std::vector<std::string> before = Files();

    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    };
    const std::string never = ": calibrate never writes over a file it reads; choose another file name";
    const std::vector<Case> cases = {
        {"the same path", Calibrate("rec.csv", "rec.csv"), "the output rec.csv is the recording rec.csv" + never},
        {"another spelling", Calibrate("rec.csv", "sub/../rec.csv"), "the output sub/../rec.csv is the recording rec.csv"},
        {"a symbolic link", Calibrate("rec.csv", "link.csv"), "the output link.csv is the recording rec.csv"},
        {"a hard link", Calibrate("rec.csv", "hard.csv"), "the output hard.csv is the recording rec.csv"},
        {"through a link to the input", Calibrate("link.csv", "rec.csv"), "the output rec.csv is the recording link.csv"},
        {"a document", Calibrate("rec.vdoc", "rec.vdoc"), "the output rec.vdoc is the recording rec.vdoc"},
        {"the points file", {"calibrate", "rec.csv", "--channel", "1", "--points", "points.csv", "--fit", "linear",
                             "--unit", "mmHg", "-o", "points.csv"},
         "the output points.csv is the points file points.csv"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 1) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.rfind("velogram: error: " + c.message, 0), 0u) << c.name << ": " << r.err;
        EXPECT_EQ(Read("rec.csv"), recording) << c.name;
        EXPECT_EQ(Read("rec.vdoc"), document) << c.name;
        EXPECT_EQ(Files(), before) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.File("link.csv")));
}

TEST_F(Velogram, TheRecordingsOwnColumnsComeOutByteForByte)
{
    // More digits than a float holds, a value in mV that a float in volts would change, blanks,
    // quotes and a second block.
    const std::vector<std::string> rows = {"579.999970,1005.5", "579.999980, 0.123456789", "579.999990,\"12345678.9\"",
                                           "", "1e-7,-0.000000000000001"};
    std::string text = "\"Time, absolute (s)\",Transducer (mV)\n";
    for (const std::string& row : rows) text += row + "\n";
    Write("rec.csv", text);
    const Result r = Run(Calibrate("rec.csv", "out.csv", "1", {"--name", "Pressure"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> out = Lines(Read("out.csv"));
    ASSERT_EQ(out.size(), rows.size() + 1);
    EXPECT_EQ(out[0], "\"Time, absolute (s)\",Transducer (mV),Pressure (mmHg)");
    // Bare raw numbers of the points are in the channel's unit: 100 mmHg per mV.
    const double millivolts[] = {1005.5, 0.123456789, 12345678.9, 0, -1e-15};
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].empty()) {
            EXPECT_EQ(out[i + 1], "") << "the blank line between the blocks";
            continue;
        }
        ASSERT_EQ(out[i + 1].rfind(rows[i] + ",", 0), 0u) << "row " << i << " copied as it was: " << out[i + 1];
        // The calibrated value, in the shortest text that reads back as its float.
        const std::string cell = out[i + 1].substr(rows[i].size() + 1);
        float value = 0;
        const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
        ASSERT_TRUE(ec == std::errc() && end == cell.data() + cell.size()) << cell;
        char shortest[64];
        EXPECT_EQ(std::string(shortest, std::to_chars(shortest, shortest + 64, value).ptr), cell);
        EXPECT_NEAR(value, 100 * millivolts[i], 1e-6 * std::fabs(100 * millivolts[i]) + 1e-9) << "row " << i;
    }
}

// The writing descriptor of the run's unnamed temporary file in folder and the bytes written
// into it so far; -1 while there is none.
long long TemporaryFileBytes(pid_t pid, const std::filesystem::path& folder)
{
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
        if (ec || target.rfind(folder.string() + "/", 0) != 0 || target.find(" (deleted)") == std::string::npos) continue;
        struct stat st {};
        if (::stat(fd.path().c_str(), &st) == 0) return st.st_size;
    }
    return -1;
}

TEST_F(Velogram, ARunKilledWhileWritingLeavesTheFolderAsItWas)
{
    // Long enough to be caught writing: the kill comes once the output has bytes in it.
    std::string text = "Time (s),Transducer (V)\n";
    for (int i = 0; i < 600000; ++i) text += std::to_string(i) + "," + std::to_string(i % 1000) + ".5\n";
    Write("big.csv", text);
    Write("out.csv", "keep me");
    const std::vector<std::string> before = Files();
    const pid_t pid = Start(Calibrate("big.csv", "out.csv", "1"));
    bool killed = false;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ADD_FAILURE() << "the run ended before it was caught writing; give it a bigger input";
            break;
        }
        if (TemporaryFileBytes(pid, dir_.Path()) > 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (killed) {
        EXPECT_EQ(Wait(pid).status, 128 + SIGKILL);
    }
    EXPECT_EQ(Files(), before) << "no temporary file, named or hidden, is left";
    EXPECT_EQ(Read("out.csv"), "keep me");
}

TEST_F(Velogram, AnOutputFolderThatCannotTakeTheFileFailsBeforeTheRecordingIsRead)
{
    // A recording that fails when read: the folder's message shows it was never read.
    Write("bad.csv", "Transducer (V)\nnot a number\n");
    std::filesystem::create_directory(dir_.File("ro"));
    std::filesystem::permissions(dir_.File("ro"), std::filesystem::perms(0555));
    if (geteuid() == 0 && prctl(PR_CAPBSET_READ, CAP_SETPCAP, 0, 0, 0) != 1)
        GTEST_SKIP() << "root that cannot give up overriding permissions writes into any folder";
    for (const char* out : {"no/such/out.csv", "no/such/out.vdoc", "ro/out.csv", "ro/out.vdoc"}) {
        const Result r = Run(Calibrate("bad.csv", out));
        const std::string reason =
            std::string(out).rfind("ro/", 0) == 0 ? "Permission denied" : "No such file or directory";
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_EQ(r.err, "velogram: error: cannot write \"" + std::string(out) + "\": " + reason + "\n") << out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir_.File("ro")));
}

TEST_F(Velogram, AFailedWriteNamesItsReason)
{
    // A file size limit stands in for a full disk: the write fails with the system's reason.
    std::string text = "Transducer (V)\n";
    for (int i = 0; i < 2000; ++i) text += std::to_string(i % 10) + ".25\n";
    Write("rec.csv", text);
    Limits small;
    small.fileBytes = 4096;
    for (const char* out : {"out.csv", "out.vdoc"}) {
        const Result r = Run(Calibrate("rec.csv", out), small);
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_NE(r.err.find(out), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(": File too large\n"), std::string::npos) << r.err;
        EXPECT_FALSE(Exists(out));
    }
}

TEST_F(Velogram, StatsCountTheSamplesOfADocument)
{
    Write("rec.csv", "Transducer (V)\n0\n0.5\n\n1\n");
    const Result r = Run(Calibrate("rec.csv", "out.vdoc", "0", {"--stats"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("velogram: 3 samples in the calibrated channel, written as a document"), std::string::npos)
        << r.err;
}

std::string Utf16(const std::string& ascii, bool littleEndian)
{
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : ascii) bytes += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

std::string Replaced(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

TEST_F(Velogram, EveryDialectCalibratesToTheValuesOfItsCommaFile)
{
    const std::string comma = "Time (s),Transducer (V)\n0,0.25\n0.5,-0.5\n1,1.5e-3\n\n2,2\n";
    Write("comma.csv", comma);
    ASSERT_EQ(Run(Calibrate("comma.csv", "base.csv", "1")).status, 0);
    const auto base = Cells(Read("base.csv"));
    ASSERT_EQ(base.size(), 6u);

    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> options;
        char delimiter;
        char decimal;
        std::string note;  // on standard error
    };
    const std::string semicolon = Replaced(Replaced(comma, ',', ';'), '.', ',');
    const std::string preamble = "Logger 7, serial 22\nSampled 2024-05-01\n";
    const std::vector<Case> cases = {
        {"semicolons, decimal commas", semicolon, {}, ';', ',', ""},
        {"tabs", Replaced(comma, ',', '\t'), {}, '\t', '.', ""},
        {"CR line ends", Replaced(comma, '\n', '\r'), {}, ',', '.', ""},
        {"a Windows-1252 header", "Zeit (s),Spannung \xB5V (V)" + comma.substr(comma.find('\n')), {}, ',', '.',
         "velogram: note: in.csv:1: not UTF-8 text; read as Windows-1252\n"},
        {"UTF-16, little-endian", Utf16(semicolon, true), {}, ';', ',', ""},
        {"UTF-16, big-endian", Utf16(Replaced(comma, ',', '\t'), false), {}, '\t', '.', ""},
        {"a preamble skipped", preamble + comma, {"--skip-lines", "2"}, ',', '.', ""},
        {"the choice given", semicolon, {"--delimiter", "semicolon", "--decimal-comma"}, ';', ',', ""},
    };
    for (const Case& c : cases) {
        Write("in.csv", c.bytes);
        const Result r = Run(Calibrate("in.csv", "out.csv", "1", c.options));
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.err, c.note) << c.name;
        std::string out = Replaced(Read("out.csv"), '\r', '\n');
        if (out.rfind("\xEF\xBB\xBF", 0) == 0) out.erase(0, 3);
        if (c.options.size() == 2) {
            ASSERT_EQ(out.rfind(preamble, 0), 0u) << c.name << ": the preamble is kept";
            out.erase(0, preamble.size());
        }
        const auto rows = Cells(out, c.delimiter);
        ASSERT_EQ(rows.size(), base.size()) << c.name << ":\n" << out;
        for (size_t i = 1; i < rows.size(); ++i) {
            if (base[i].empty()) continue;
            ASSERT_EQ(rows[i].size(), 3u) << c.name << " row " << i;
            EXPECT_EQ(rows[i][2], Replaced(base[i][2], '.', c.decimal)) << c.name << " row " << i;
        }
    }
    // The header kept as UTF-8.
    Write("in.csv", cases[3].bytes);
    ASSERT_EQ(Run(Calibrate("in.csv", "out.csv", "1")).status, 0);
    EXPECT_EQ(Lines(Read("out.csv"))[0], "Zeit (s),Spannung \xC2\xB5V (V),Spannung \xC2\xB5V calibrated (mmHg)");
}

TEST_F(Velogram, HelpSaysWhatIsCopiedAndHowTheNewColumnIsWritten)
{
    const Result r = Run({"calibrate", "--help"});
    ASSERT_EQ(r.status, 0);
    for (const char* text : {"--skip-lines", "--delimiter", "--decimal-comma", "copied as it was, byte for byte",
                             "shortest number that reads back as the same float"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    const Result bad = Run(Calibrate("x.csv", "y.csv", "0", {"--delimiter", "pipe"}));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("comma, semicolon or tab, not pipe"), std::string::npos) << bad.err;
    const Result clash = Run(Calibrate("x.csv", "y.csv", "0", {"--delimiter", "comma", "--decimal-comma"}));
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("--decimal-comma needs values separated by semicolons or tabs"), std::string::npos);
}

}  // namespace
