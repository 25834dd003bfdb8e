// Reading a recording into a new document of the framework: a document file (".vdoc")
// through the framework's own loading, anything else as CSV (csv_reader.h), streamed from the
// file into the recording block by block, so that the samples are held once, as the
// recording's floats.
#pragma once

#include <string>

#include "calibration/host/zor_document.h"
#include "calibration/host/zor_framework.h"
#include "platform/com_ptr.h"

namespace Velogram {

// True for a path that names a document (extension ".vdoc", any letter case).
bool IsDocumentPath(const std::string& path);
// True for a path that names a CSV file (extension ".csv", any letter case).
bool IsCsvPath(const std::string& path);

// [in] path: UTF-8. Shows a progress bar while a CSV file is read. Throws CommandError (the
// CSV reader's messages name the file, line and column; a damaged document gives the
// framework's account of it).
platform::ComPtr<IZorDocument> OpenRecording(IZorFramework* framework, const std::string& path);

}  // namespace Velogram
