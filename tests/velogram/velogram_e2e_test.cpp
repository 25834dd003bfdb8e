// The velogram command line end to end: the built executable run as a user runs it, loading
// libzor.so and libtessar.so from its folder. The road of a calibration through calibrate
// (0.5 V becomes 50 mmHg) for every fit kind, units in points, fit's report in both forms, the
// demo, the version and the help texts, and bad input: a clear message, a non-zero exit and no
// output file, half-written or whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/velogram/velogram_run.h"

namespace {

using VelogramTest::Cells;
using VelogramTest::Result;
using VelogramTest::Velogram;

const char* const kRecording = "Transducer (V)\n0\n0.25\n0.5\n1\n2\n";

std::vector<std::string> Calibrate(const std::string& recording, const std::string& output,
                                   std::vector<std::string> more)
{
    std::vector<std::string> args = {"calibrate", recording, "--channel", "0", "--unit", "mmHg", "-o", output};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct KindCase {
    const char* fit;
    std::vector<std::string> points;
    double tolerance;
};

// Points of each kind's curve through (0.5 V, 50 mmHg): on the line y = 100x where the kind
// can follow it, else y = 50 + 100 ln(2x) and y = 50 e^(2 (x - 0.5)).
const std::vector<KindCase>& KindCases()
{
    static const std::vector<KindCase> cases = {
        {"linear", {"0=0", "1=100"}, 1e-4},
        {"quadratic", {"0=0", "0.5 V=50", "1=100"}, 1e-3},
        {"cubic", {"0=0", "0.2=20", "0.6=60", "1=100"}, 1e-3},
        {"quartic", {"0=0", "0.2=20", "0.4=40", "0.7=70", "1=100"}, 1e-3},
        {"quintic", {"0=0", "0.2=20", "0.4=40", "0.6=60", "0.8=80", "1=100"}, 1e-3},
        {"logarithmic", {"0.25=-19.3147", "0.5=50", "1=119.315", "2=188.629"}, 1e-2},
        {"exponential", {"0=18.3940", "0.5=50", "1=135.914"}, 1e-2},
        {"point-to-point", {"0=0", "1000 mV=100"}, 1e-4},
    };
    return cases;
}

std::vector<std::string> PointArgs(const std::vector<std::string>& points)
{
    std::vector<std::string> args;
    for (const std::string& p : points) args.push_back("--point=" + p);
    return args;
}

TEST_F(Velogram, TheRoadOfACalibrationForEveryFitKindByNameAndNumber)
{
    Write("road.csv", kRecording);
    for (size_t kind = 0; kind < KindCases().size(); ++kind) {
        const KindCase& c = KindCases()[kind];
        for (const std::string& fit : {std::string(c.fit), std::to_string(kind)}) {
            std::vector<std::string> more = PointArgs(c.points);
            more.insert(more.end(), {"--fit", fit});
            const Result r = Run(Calibrate("road.csv", "out.csv", more));
            ASSERT_EQ(r.status, 0) << c.fit << ": " << r.err;
            const auto rows = Cells(Read("out.csv"));
            ASSERT_EQ(rows.size(), 6u) << c.fit;
            EXPECT_EQ(rows[0], (std::vector<std::string>{"Transducer (V)", "Transducer calibrated (mmHg)"}));
            EXPECT_EQ(rows[3][0], "0.5");
            EXPECT_NEAR(std::stod(rows[3][1]), 50.0, c.tolerance) << c.fit;
            if (kind <= 4 || kind == 7) {
                EXPECT_NEAR(std::stod(rows[4][1]), 100.0, c.tolerance) << c.fit;
            }
        }
    }
}

TEST_F(Velogram, ADocumentKeepsTheCalibratedChannelAndReadsBack)
{
    Write("road.csv", kRecording);
    Result r = Run(Calibrate("road.csv", "road.vdoc", {"--point", "0=0", "--point", "1=100", "--fit", "linear",
                                                        "--decimals", "2", "--name", "Pressure"}));
    ASSERT_EQ(r.status, 0) << r.err;
    // The document's calculated channel is read through the module again, and a second
    // calibration of the raw channel goes beside it, with its decimals.
    r = Run({"calibrate", "road.vdoc", "--channel", "Transducer", "--point", "0=0", "--point", "1=0.1", "--fit", "0",
             "--unit", "kPa", "--decimals", "1", "-o", "again.csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = Cells(Read("again.csv"));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"Transducer (V)", "Pressure (mmHg)", "Transducer calibrated (kPa)"}));
    EXPECT_NEAR(std::stod(rows[3][1]), 50.0, 1e-4);
    // 0.5 V is 0.05 kPa, written in kPa with one decimal.
    EXPECT_EQ(rows[3][2], "0.1");
    EXPECT_EQ(rows[5][2], "0.2");
}

TEST_F(Velogram, UnitsInPointsAndInTheRecording)
{
    // 1 mV and 2 mV to 0 and 1: slope 1000 per volt.
    Result r = Run({"fit", "--point", "1 mV=0", "--point", "2 mV=1", "--fit", "linear", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    ASSERT_EQ(json["coefficients"].size(), 2u);
    EXPECT_NEAR(json["coefficients"][1].get<double>(), 1000.0, 1e-9);
    EXPECT_NEAR(json["coefficients"][0].get<double>(), -1.0, 1e-12);

    // A channel in mV: bare raw numbers are millivolts, as are its samples.
    Write("mv.csv", "Sig (mV)\n1\n1.5\n2\n");
    r = Run({"calibrate", "mv.csv", "--channel", "Sig", "--point", "1=0", "--point", "2=1", "--fit", "linear",
             "--unit", "kPa", "-o", "out.csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = Cells(Read("out.csv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2][0], "1.5") << "samples are written back in their own unit";
    EXPECT_NEAR(std::stod(rows[1][1]), 0.0, 1e-6);
    EXPECT_NEAR(std::stod(rows[2][1]), 0.5, 1e-6);
    EXPECT_NEAR(std::stod(rows[3][1]), 1.0, 1e-6);

    // "1" and "1 mV" on a channel in mV are the same raw value: replicates for a line, refused
    // for point to point as the dialog refuses it.
    r = Run({"calibrate", "mv.csv", "--channel", "0", "--point", "1=0", "--point", "1 mV=5", "--point", "2=1",
             "--fit", "point-to-point", "--unit", "kPa", "-o", "dup.csv"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("repeated voltage value"), std::string::npos) << r.err;
    r = Run({"calibrate", "mv.csv", "--channel", "0", "--point", "1=0", "--point", "1 mV=5", "--point", "2=1",
             "--fit", "linear", "--unit", "kPa", "-o", "replicates.csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The line through (1, 2.5) and (2, 1): 2.5 at the first sample.
    EXPECT_NEAR(std::stod(Cells(Read("replicates.csv"))[1][1]), 2.5, 1e-5);
}

TEST_F(Velogram, FitPrintsTheFitAndEveryResidualInBothForms)
{
    // A parabola with one point off: the largest residual belongs to it; a points file with units.
    Write("points.csv", "Raw (V),Cal (mmHg)\n0,0\n1,1\n2,4.5\n3,9\n4,16\n");
    Result r = Run({"fit", "--points", "points.csv", "--fit", "quadratic", "--unit", "mmHg", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["kind"], 1);
    EXPECT_EQ(json["coefficients"].size(), 3u);
    EXPECT_EQ(json["fitTypeLine"], "2nd order polynomial (Quadratic)");
    EXPECT_EQ(json["settingsText"].get<std::string>().rfind("1\t0\tmmHg\t", 0), 0u);
    double sse = 0, largest = 0;
    int largestAt = -1;
    ASSERT_EQ(json["points"].size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        const auto& p = json["points"][i];
        EXPECT_EQ(p["raw"].get<double>(), double(i));
        EXPECT_NEAR(p["residual"].get<double>(), p["calibrated"].get<double>() - p["fitted"].get<double>(), 1e-12);
        sse += std::pow(p["residual"].get<double>(), 2);
        if (std::fabs(p["residual"].get<double>()) > largest) {
            largest = std::fabs(p["residual"].get<double>());
            largestAt = int(i);
        }
    }
    EXPECT_NEAR(sse, json["sse"].get<double>(), 1e-12);
    EXPECT_EQ(json["largestResidualIndex"], largestAt);
    EXPECT_EQ(largestAt, 2);
    EXPECT_TRUE(json["points"][2]["largestResidual"].get<bool>());

    // The plain form: the same texts, coefficients with 17 significant digits, the mark.
    r = Run({"fit", "--points", "points.csv", "--fit", "1", "--unit", "mmHg"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Equation:        " + json["equation"].get<std::string>() + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("Statistics:      " + json["statistics"].get<std::string>() + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("Settings text:   " + json["settingsText"].get<std::string>() + "\n"), std::string::npos);
    char c1[40];
    std::snprintf(c1, sizeof c1, "%.17g", json["coefficients"][1].get<double>());
    EXPECT_NE(r.out.find(std::string("  c1 = ") + c1 + "\n"), std::string::npos) << r.out;
    const size_t mark = r.out.find("<- largest |residual|");
    ASSERT_NE(mark, std::string::npos);
    EXPECT_EQ(r.out.rfind("\n  2 ", mark), r.out.rfind('\n', mark)) << "the mark is on the row of raw 2";
}

TEST_F(Velogram, FitTakesAnyNumberOfPointsButCalibrateTwelve)
{
    std::vector<std::string> points;
    for (int i = 0; i < 13; ++i) points.push_back(std::to_string(i) + "=" + std::to_string(3 * i + 1));
    std::vector<std::string> args = PointArgs(points);
    args.insert(args.begin(), {"fit", "--fit", "point-to-point", "--json"});
    Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["coefficients"].size(), 26u);

    Write("road.csv", kRecording);
    std::vector<std::string> more = PointArgs(points);
    more.insert(more.end(), {"--fit", "linear"});
    r = Run(Calibrate("road.csv", "out.csv", more));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("at most 12 reference points"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("out.csv"));
}

TEST_F(Velogram, TheDemoCalibratesIntoTheCurrentFolder)
{
    const Result r = Run({"demo"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("3rd order polynomial (Cubic), 9 reference points"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Samples:     10000 calibrated in 2 blocks"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("million samples/s"), std::string::npos) << r.out;
    const auto rows = Cells(Read("pressure_calibrated.csv"));
    ASSERT_EQ(rows.size(), 1u + 10000u + 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Transducer (V)", "Pressure (kPa)"}));
    EXPECT_TRUE(rows[5001].empty()) << "a blank line between the blocks";
    // About 0.5 V at rest: about 0 kPa; the first block ramps to 180 kPa and holds.
    EXPECT_NEAR(std::stod(rows[1][1]), 0.0, 0.5);
    EXPECT_NEAR(std::stod(rows[5000][1]), 180.0, 0.5);
    EXPECT_EQ(rows[1][1].size() - rows[1][1].find('.'), 4u) << "three decimals";
}

TEST_F(Velogram, FitAndCalibrateRenderTheReportHeadlessly)
{
    Result r = Run({"fit", "--point", "0=0", "--point", "1=100", "--point", "2=190", "--fit", "quadratic", "--unit",
                    "mmHg", "--report", "fit.pdf"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string pdf = Read("fit.pdf");
    ASSERT_GT(pdf.size(), 1000u);
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);

    Write("road.csv", "Transducer (V)\n0\n0.5\n1\n");
    r = Run({"calibrate", "road.csv", "--channel", "0", "--point", "0=0", "--point", "1=100", "--fit", "linear",
             "--unit", "mmHg", "-o", "out.csv", "--report", "report.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("report.png").substr(1, 3), "PNG");

    // Another extension is refused before anything is written.
    r = Run({"fit", "--point", "0=0", "--point", "1=100", "--fit", "linear", "--report", "fit.svg"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("fit.svg"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("fit.svg"));
}

TEST_F(Velogram, EveryCommandHasHelp)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"calibrate", "--help"}, {"fit", "--help"}, {"demo", "--help"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_NE(r.out.find("Usage:"), std::string::npos) << args[0];
    }
    EXPECT_NE(Run({"calibrate", "--help"}).out.find("--force-origin"), std::string::npos);
    // Alone or with one path velogram opens its window; more arguments need a command.
    EXPECT_EQ(Run({"x.csv", "y.csv"}).status, 2) << "a command is required";
    EXPECT_EQ(Run({"calibrate", "x.csv"}).status, 2) << "required options missing";
    // The window's import options are told apart before any window opens.
    EXPECT_NE(Run({"--help"}).out.find("velogram [--time-column NAME] [--rate HZ] [PATH]"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--rate", "-5", "x.csv"}, {"--rate", "1000", "--time-column", "Time", "x.csv"}, {"--rate"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args.size();
        EXPECT_EQ(r.err.rfind("velogram: error: ", 0), 0u) << r.err;
    }
}

TEST_F(Velogram, VersionIsTheProjectsAndHelpSentencesStandApart)
{
    for (const char* flag : {"--version", "-V"}) {
        const Result r = Run({flag});
        EXPECT_EQ(r.status, 0) << flag;
        EXPECT_EQ(r.out, "velogram " VELOGRAM_PROJECT_VERSION "\n") << flag;
        EXPECT_EQ(r.err, "") << flag;
    }
    // One sentence ending where the next begins ("window.A subcommand") is text run together.
    const auto runTogether = [](const std::string& text) {
        for (size_t i = 1; i + 1 < text.size(); ++i)
            if (text[i] == '.' && std::islower(static_cast<unsigned char>(text[i - 1])) &&
                std::isupper(static_cast<unsigned char>(text[i + 1])))
                return text.substr(i < 20 ? 0 : i - 20, 40);
        return std::string();
    };
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"demo", "--help"}, {"a.csv", "b.csv"}, {"--no-such-option"}}) {
        const Result r = Run(args);
        EXPECT_EQ(runTogether(r.out + r.err), "") << args[0];
    }
    const Result usage = Run({"a.csv", "b.csv"});
    EXPECT_EQ(usage.err.rfind("velogram: error: A subcommand is required\n", 0), 0u) << usage.err;
    // The window's note belongs to velogram alone, not to its commands.
    EXPECT_EQ(Run({"demo", "--help"}).out.find("window"), std::string::npos);
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;  // after "calibrate --unit mmHg"; channel 0 and out.csv unless given
    std::string message;
};

TEST_F(Velogram, BadInputGivesAClearMessageAndNoOutput)
{
    Write("good.csv", kRecording);
    Write("bad.csv", "Transducer (V)\n0\n0.5x\n1\n");
    Write("ragged.csv", "A (V),B (V)\n0,1\n0.5\n");
    Write("empty.csv", "A (V)\n\n");
    ASSERT_EQ(Run(Calibrate("good.csv", "doc.vdoc", {"--point", "0=0", "--point", "1=1", "--fit", "0"})).status, 0);
    const std::string doc = Read("doc.vdoc");
    Write("truncated.vdoc", doc.substr(0, doc.size() / 2));
    std::string corrupt = doc;
    corrupt[corrupt.size() / 2] ^= 0x55;
    Write("corrupt.vdoc", corrupt);
    std::filesystem::remove(dir_.File("doc.vdoc"));
    Write("old.csv", "keep me");
    const std::vector<std::string> line = {"--point", "0=0", "--point", "1=100", "--fit", "linear"};
    const auto with = [&](std::vector<std::string> front, const std::vector<std::string>& back = {}) {
        front.insert(front.end(), back.begin(), back.end());
        return front;
    };
    const std::vector<BadCase> cases = {
        {"bad number", with({"bad.csv"}, line), "bad.csv:3:1: \"0.5x\" is not a number in column 1 (Transducer)"},
        {"ragged rows", with({"ragged.csv"}, line), "ragged.csv:3:4: the row has 1 value, but the header names 2"},
        {"no data", with({"empty.csv"}, line), "empty.csv: no samples"},
        {"no such file", with({"none.csv"}, line), "cannot read none.csv: No such file or directory"},
        {"truncated document", with({"truncated.vdoc"}, line), "truncated.vdoc"},
        {"corrupt document", with({"corrupt.vdoc"}, line), "corrupt.vdoc"},
        {"unknown fit kind", with({"good.csv", "--point", "0=0", "--point", "1=1", "--fit", "spline"}),
         "unknown fit kind \"spline\""},
        {"repeated raw value", with({"good.csv", "--point", "1=0", "--point", "1=1", "--fit", "point-to-point"}),
         "The fit parameters contain a repeated voltage value, and hence do not define a functional mapping."},
        {"too few points", with({"good.csv", "--point", "0=0", "--point", "1=1", "--fit", "cubic"}),
         "Not enough Volt-Unit conversion pairs exist to determine the requested fit type."},
        {"failed fit", with({"good.csv", "--point", "0=0", "--point", "1=1", "--fit", "exponential"}),
         "The fitting algorithm failed to converge. Unable to determine coefficients for the requested fit type."},
        {"not a point", with({"good.csv", "--point", "0", "--fit", "linear"}), "--point 1: \"0\" is not a point"},
        {"not a value", with({"good.csv", "--point", "zero=0", "--point", "1=1", "--fit", "linear"}),
         "--point 1: the raw value \"zero\" is not a number"},
        {"no points", with({"good.csv", "--fit", "linear"}), "no reference points"},
        {"no such channel", with({"good.csv", "--channel", "Force"}, line), "there is no channel \"Force\""},
        {"output format", with({"good.csv", "-o", "out.txt"}, line), "the output out.txt needs the extension .csv"},
        {"output folder", with({"good.csv", "-o", "no/such/out.csv"}, line),
         "cannot write \"no/such/out.csv\": No such file or directory"},
        {"old output kept", with({"bad.csv", "-o", "old.csv"}, line), "bad.csv:3:1"},
    };
    const std::vector<std::string> before = Files();
    for (const BadCase& c : cases) {
        std::vector<std::string> args = {"calibrate", "--unit", "mmHg"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto has = [&](const char* option) { return std::find(args.begin(), args.end(), option) != args.end(); };
        if (!has("--channel")) args.insert(args.end(), {"--channel", "0"});
        if (!has("-o")) args.insert(args.end(), {"-o", "out.csv"});
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.rfind("velogram: error: " + c.message, 0), 0u) << c.name << ": " << r.err;
        EXPECT_EQ(Files(), before) << c.name << ": nothing written, no temporary file left";
    }
    EXPECT_EQ(Read("old.csv"), "keep me");
}

}  // namespace
