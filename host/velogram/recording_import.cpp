#include "host/velogram/recording_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <vector>

#include "values/units/unit_entry.h"
#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"
#include "host/velogram/interruption.h"
#include "host/velogram/module_session.h"
#include "host/velogram/progress_bar.h"
#include "platform/code_page.h"

namespace Velogram {
namespace {

using platform::ComPtr;

constexpr size_t kReadBytes = size_t(1) << 20;

bool HasExtension(const std::string& path, std::string_view extension)
{
    if (path.size() <= extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), path.end() - std::ptrdiff_t(extension.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// Channels, blocks and samples of the CSV text go straight into the recording.
class RecordingSink final : public CsvSink {
public:
    RecordingSink(IRecording* recording, std::string source) : recording_(recording), source_(std::move(source)) {}

    void OnHeader(const std::vector<CsvColumn>& columns) override
    {
        for (const CsvColumn& column : columns) {
            int32_t index = -1;
            Check(recording_->AddChannel(KVI::String::FromUtf8(column.name).Interface(), &index), "a channel");
            ComPtr<KVI::UnitEntry> unit(new KVI::UnitEntry(column.unit));
            Check(recording_->SetChannelUnit(index, unit.Get()), "the unit of a channel");
            channels_.push_back(index);
        }
    }

    void OnBlock(int32_t) override { Check(recording_->AddBlock(&block_), "a block"); }

    void OnSamples(size_t column, std::span<const float> samples) override
    {
        Check(recording_->AppendSamples(channels_[column], block_, samples.data(), uint32_t(samples.size())),
              "the samples");
    }

    void OnSampleInterval(int32_t, double seconds) override
    {
        Check(recording_->SetSampleInterval(block_, seconds), "the sample interval of a block");
    }

private:
    void Check(HRESULT hr, const char* what) const
    {
        if (FAILED(hr)) throw CommandError(source_ + ": the recording cannot take " + what + ": " + ResultText(hr));
    }

    IRecording* recording_;
    std::string source_;
    std::vector<int32_t> channels_;
    int32_t block_ = -1;
};

// The file's text from its start, into reader. Throws CommandError.
void Feed(int fd, const std::string& path, CsvReader& reader, int64_t size, const char* label)
{
    if (::lseek(fd, 0, SEEK_SET) < 0 && errno != ESPIPE)
        throw CommandError("cannot read " + path + ": " + std::strerror(errno));
    ProgressBar progress(label ? label : "", label ? size : 0);
    std::vector<char> buffer(kReadBytes);
    int64_t done = 0;
    try {
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) {
                ThrowIfInterrupted();
                continue;
            }
            if (n < 0) throw CommandError("cannot read " + path + ": " + std::strerror(errno));
            if (n == 0) break;
            reader.Feed(std::string_view(buffer.data(), size_t(n)));
            done += n;
            progress.Update(done);
            ThrowIfInterrupted();
        }
        reader.Finish();
    } catch (const CsvError& e) {
        throw CommandError(e.what());
    }
}

std::unique_ptr<CsvRecordingText> ImportCsv(IRecording* recording, const std::string& path,
                                            const CsvReadOptions& options)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CommandError("cannot read " + path + ": " + std::strerror(errno));
    auto text = std::make_unique<CsvRecordingText>(path, fd, options);
    RecordingSink sink(recording, path);
    CsvReader reader(path, sink, options);
    text->ReadInto(reader, "reading");
    for (const std::string& note : reader.Notes()) std::cerr << "velogram: note: " << note << "\n";
    return text;
}

}  // namespace

struct stat RecordingFileStatus(const std::string& path, int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw CommandError("cannot read " + path + ": " + std::strerror(error));
    }
    if (S_ISDIR(status.st_mode)) {
        ::close(fd);
        throw CommandError(path + " is a folder, not a recording");
    }
    return status;
}

CsvRecordingText::CsvRecordingText(std::string path, int fd, CsvReadOptions options)
    : path_(std::move(path)), fd_(fd), options_(options), stat_(RecordingFileStatus(path_, fd_))
{
}

CsvRecordingText::~CsvRecordingText() { ::close(fd_); }

void CsvRecordingText::ReadInto(CsvReader& reader, const char* label)
{
    Feed(fd_, path_, reader, S_ISREG(stat_.st_mode) ? int64_t(stat_.st_size) : 0, label);
    dialect_ = reader.Dialect();
    lineEnd_ = std::string(reader.LineEnd());
    encoding_ = reader.Encoding();
    columns_ = reader.Columns().size();
    rows_ = reader.Rows();
}

void CsvRecordingText::ReadLines(CsvLineSink& sink)
{
    struct stat now {};
    const auto changed = [&] {
        return CommandError(path_ + " has changed since it was read; run the command again");
    };
    if (::fstat(fd_, &now) != 0) throw CommandError("cannot read " + path_ + ": " + std::strerror(errno));
    if (now.st_size != stat_.st_size || now.st_mtim.tv_sec != stat_.st_mtim.tv_sec ||
        now.st_mtim.tv_nsec != stat_.st_mtim.tv_nsec)
        throw changed();
    CsvReader reader(path_, sink, options_);
    Feed(fd_, path_, reader, 0, nullptr);
    if (reader.Rows() != rows_) throw changed();
}

bool IsDocumentPath(const std::string& path) { return HasExtension(path, ".vdoc"); }
bool IsCsvPath(const std::string& path) { return HasExtension(path, ".csv"); }

ImportedRecording ImportRecording(IZorFramework* framework, const std::string& path, const CsvReadOptions& options)
{
    ImportedRecording imported;
    HRESULT hr = framework->CreateDocument(imported.document.Put());
    if (FAILED(hr)) throw CommandError("the framework cannot create a document: " + ResultText(hr));
    if (IsDocumentPath(path)) {
        IAutoKVIString* error = nullptr;
        hr = imported.document->Load(platform::Utf8ToUtf16(path).c_str(), &error);
        std::string why = KVI::String(error).ToUtf8();
        if (error) error->Release();
        if (FAILED(hr)) throw CommandError(why.empty() ? path + ": " + ResultText(hr) : why);
        return imported;
    }
    ComPtr<IRecording> recording;
    if (FAILED(imported.document.As(IID_IRecording, recording)))
        throw CommandError("the framework's document has no recording");
    imported.text = ImportCsv(recording.Get(), path, options);
    return imported;
}

ComPtr<IZorDocument> OpenRecording(IZorFramework* framework, const std::string& path, const CsvReadOptions& options)
{
    return ImportRecording(framework, path, options).document;
}

}  // namespace Velogram
