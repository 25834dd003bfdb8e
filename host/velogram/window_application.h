// Starting velogram as a desktop application: `velogram` without a command, or with the path of
// a document or CSV recording to open. The command line's commands never come here, so they
// run without a display.
#pragma once

#include <string>

#include "host/velogram/csv_reader.h"

namespace Velogram {

// Creates the QApplication, starts the framework (libzor.so beside the executable) and loads
// the modules in the executable's folder, shows the main window (opening path when it is not
// empty; CSV recordings read with options) and runs the event loop. Returns the exit status:
// the event loop's, or 1 when the framework cannot be started (the user is told why).
int RunApplicationWindow(int argc, char** argv, const std::string& path, const CsvReadOptions& options);

}  // namespace Velogram
