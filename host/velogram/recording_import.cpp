#include "host/velogram/recording_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "calibration/units/unit_entry.h"
#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_reader.h"
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

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

void ImportCsv(IRecording* recording, const std::string& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) throw CommandError("cannot read " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(file.Get(), &st) == 0 && S_ISDIR(st.st_mode))
        throw CommandError(path + " is a folder, not a recording");

    RecordingSink sink(recording, path);
    CsvReader reader(path, sink);
    ProgressBar progress("reading", S_ISREG(st.st_mode) ? int64_t(st.st_size) : 0);
    std::vector<char> buffer(kReadBytes);
    int64_t done = 0;
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer.data(), buffer.size());
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
}

}  // namespace

bool IsDocumentPath(const std::string& path) { return HasExtension(path, ".vdoc"); }
bool IsCsvPath(const std::string& path) { return HasExtension(path, ".csv"); }

ComPtr<IZorDocument> OpenRecording(IZorFramework* framework, const std::string& path)
{
    ComPtr<IZorDocument> document;
    HRESULT hr = framework->CreateDocument(document.Put());
    if (FAILED(hr)) throw CommandError("the framework cannot create a document: " + ResultText(hr));
    if (IsDocumentPath(path)) {
        IAutoKVIString* error = nullptr;
        hr = document->Load(platform::Utf8ToUtf16(path).c_str(), &error);
        std::string why = KVI::String(error).ToUtf8();
        if (error) error->Release();
        if (FAILED(hr)) throw CommandError(why.empty() ? path + ": " + ResultText(hr) : why);
        return document;
    }
    ComPtr<IRecording> recording;
    if (FAILED(document.As(IID_IRecording, recording))) throw CommandError("the framework's document has no recording");
    try {
        ImportCsv(recording.Get(), path);
    } catch (const CsvError& e) {
        throw CommandError(e.what());
    }
    return document;
}

}  // namespace Velogram
