// `velogram demo`: calibrates the bundled demo recording (a pressure transducer channel in
// volts, two blocks) with its bundled table of reference points, writes the calibrated
// recording into the current directory and prints a short summary: the fit, the number of
// samples calibrated and the throughput.
#pragma once

#include <ostream>
#include <string>

namespace Velogram {

struct DemoOptions {
    std::string dataDir;  // where pressure.csv and pressure_points.csv are; empty: the bundled copy
    std::string output = "pressure_calibrated.csv";
};

// The folder of the bundled demo data: "demo" beside the executable (a build folder), else the
// installed one, "demo" in the data folder that the build placed relative to the executable.
std::string DemoDataDirectory();

// Runs the demo; the summary goes to out. Returns the exit status; throws CommandError.
int DemoCommand(const DemoOptions& options, std::ostream& out);

}  // namespace Velogram
