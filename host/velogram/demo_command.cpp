#include "host/velogram/demo_command.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "host/velogram/calibrate_command.h"
#include "host/velogram/velogram_build.h"
#include "platform/module.h"

namespace Velogram {
namespace {

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Fixed(double value, int places)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

}  // namespace

std::string DemoDataDirectory()
{
    const std::string executableDir = platform::ExecutableDirectory();
    const std::string beside = executableDir + "/demo";
    if (IsDirectory(beside)) return beside;
    const std::filesystem::path installed = std::filesystem::path(executableDir) / kDataFromExecutable / "demo";
    return installed.lexically_normal().string();
}

int DemoCommand(const DemoOptions& options, std::ostream& out)
{
    const std::string dir = options.dataDir.empty() ? DemoDataDirectory() : options.dataDir;
    // Built whole rather than assigned field by field: assigning short literals to its strings
    // trips a false -Wrestrict warning of GCC 12 at -O3.
    const CalibrateOptions calibrate{.recording = dir + "/pressure.csv",
                                     .channel = "0",
                                     .pointsFile = dir + "/pressure_points.csv",
                                     .points = {},
                                     .fit = "cubic",
                                     .forceOrigin = false,
                                     .unit = "kPa",
                                     .calibrationFile = {},
                                     .outside = {},
                                     .weights = {},
                                     .requireValid = false,
                                     .band = false,
                                     .json = false,
                                     .decimals = 3,
                                     .output = options.output,
                                     .name = "Pressure",
                                     .stats = false,
                                     .report = {},
                                     .csv = {}};
    const CalibrateSummary s = RunCalibrate(calibrate);

    out << "Calibrated " << calibrate.recording << "\n";
    out << "  Channel:     " << s.sourceName << " -> " << s.channelName << " (" << calibrate.unit << ")\n";
    out << "  Fit:         " << s.fit.fitTypeLine << ", " << s.points << " reference points from "
        << calibrate.pointsFile << "\n";
    out << "  Equation:    " << s.fit.equation << "\n";
    out << "  Statistics:  " << s.fit.statistics << "\n";
    out << "  Samples:     " << s.samples << " calibrated in " << s.blocks << (s.blocks == 1 ? " block" : " blocks")
        << "\n";
    const double seconds = s.seconds > 0 ? s.seconds : 1e-9;
    out << "  Throughput:  " << Fixed(s.samples / seconds / 1e6, 2) << " million samples/s (" << Fixed(s.seconds, 3)
        << " s from reading to writing)\n";
    out << "  Output:      " << calibrate.output << "\n";
    return 0;
}

}  // namespace Velogram
