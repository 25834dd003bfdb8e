// `velogram calibrate --output-dir DIR REC...`: a day's recordings calibrated in one command.
// Every recording is written into DIR under its own file name (a CSV recording as CSV, a
// document as a document), each as `calibrate -o` writes one: whole or not at all. Several
// recordings are calibrated at once, sharing the threads; one failing does not stop the
// others.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "host/velogram/calibrate_command.h"

namespace Velogram {

struct CalibrateBatchOptions {
    CalibrateOptions each;  // all but the recording and the output
    std::vector<std::string> recordings;
    std::string outputDir;  // empty: the one recording goes to each.output
};

// The output of recording in folder: folder/<its file name>.
std::string OutputInFolder(const std::string& folder, const std::string& recording);

// Runs the recordings. On out, a line for each that was written, in the order given, as soon
// as it and those before it are done: CalibrateSummaryLine (with each.json, the summary's JSON
// on one line);
// on err, "velogram: error: REC: why" for each that failed (and, with --stats, each one's
// figures), then how many failed. Returns 0 when all were written, 1 otherwise. Throws
// CommandError, before any is read, when two recordings would be written to one file or the
// folder cannot take a new file.
int CalibrateBatchCommand(const CalibrateBatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace Velogram
