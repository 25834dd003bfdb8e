// Reading a recording into a new document of the framework: a document file (".vdoc")
// through the framework's own loading, anything else as CSV (csv_reader.h), streamed from the
// file into the recording block by block, so that the samples are held once, as the
// recording's floats.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>

#include "interfaces/zor_document.h"
#include "interfaces/zor_framework.h"
#include "host/velogram/csv_reader.h"
#include "platform/com_ptr.h"

namespace Velogram {

// True for a path that names a document (extension ".vdoc", any letter case).
bool IsDocumentPath(const std::string& path);
// True for a path that names a CSV file (extension ".csv", any letter case).
bool IsCsvPath(const std::string& path);

// The status of a recording opened as fd. When it cannot be read or is a folder, fd is closed
// and CommandError names path.
struct stat RecordingFileStatus(const std::string& path, int fd);

// The text of a CSV recording that has been read: its form, and the file kept open so that
// the text can be read a second time as it was (calibrate copies the columns it does not
// change from it, never from their samples).
class CsvRecordingText {
public:
    CsvRecordingText(std::string path, int fd, CsvReadOptions options);
    ~CsvRecordingText();
    CsvRecordingText(const CsvRecordingText&) = delete;
    CsvRecordingText& operator=(const CsvRecordingText&) = delete;

    // Reads the whole file into reader (a progress bar labelled label over its bytes when
    // label is given), then keeps what it found: the form and the file's size and time.
    // Throws CommandError (a CsvError's text as it is).
    void ReadInto(CsvReader& reader, const char* label);

    const std::string& Path() const { return path_; }
    const CsvDialect& Dialect() const { return dialect_; }
    const std::string& LineEnd() const { return lineEnd_; }
    TextEncoding Encoding() const { return encoding_; }
    size_t Columns() const { return columns_; }
    int64_t Rows() const { return rows_; }
    // False for a file that cannot be read twice (a pipe).
    bool Rereadable() const { return S_ISREG(stat_.st_mode); }

    // Reads the text again from its start into sink. Throws CommandError when the file has
    // changed since it was read (its size or time), or cannot be read.
    void ReadLines(CsvLineSink& sink);

private:
    std::string path_;
    int fd_;
    CsvReadOptions options_;
    struct stat stat_ {};
    CsvDialect dialect_;
    std::string lineEnd_ = "\n";
    TextEncoding encoding_ = TextEncoding::kUtf8;
    size_t columns_ = 0;
    int64_t rows_ = 0;
};

struct ImportedRecording {
    platform::ComPtr<IZorDocument> document;
    std::unique_ptr<CsvRecordingText> text;  // null for a document
};

// [in] path: UTF-8; options: how a CSV file is read. Shows a progress bar while a CSV file is
// read and prints the reader's notes on standard error. Throws CommandError (the CSV reader's
// messages name the file, line and column; a damaged document gives the framework's account
// of it).
ImportedRecording ImportRecording(IZorFramework* framework, const std::string& path,
                                  const CsvReadOptions& options = {});

// The document of ImportRecording.
platform::ComPtr<IZorDocument> OpenRecording(IZorFramework* framework, const std::string& path,
                                             const CsvReadOptions& options = {});

}  // namespace Velogram
