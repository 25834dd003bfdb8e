#include "host/velogram/output_file.h"
#include "host/velogram/copy_bytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

// The buffer starts small (a short output costs little) and doubles at every drain up to this.
constexpr size_t kFirstBufferBytes = size_t(64) << 10;
constexpr size_t kBufferBytes = size_t(1) << 20;
// Written bytes that are handed to the disk while writing goes on, so that the sync at the
// commit waits for little.
constexpr int64_t kWritebackBytes = int64_t(8) << 20;

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)), file_(target_)
{
    if (!file_.IsOpen()) throw CommandError(file_.ErrorText());
    // Not cleared: only what is written into it is read.
    buffer_ = std::make_unique_for_overwrite<char[]>(kFirstBufferBytes);
    capacity_ = kFirstBufferBytes;
}

void OutputFile::CheckFolder(const std::string& target)
{
    const Zor::AtomicFile probe(target);
    if (!probe.IsOpen()) throw CommandError(probe.ErrorText());
}

void OutputFile::Write(std::string_view bytes)
{
    // What fills the buffer anyway goes to the file without a copy.
    if (bytes.size() >= capacity_) {
        Drain();
        WriteOut(bytes.data(), bytes.size());
        return;
    }
    while (!bytes.empty()) {
        if (used_ == capacity_) Drain();
        const size_t n = std::min(bytes.size(), capacity_ - used_);
        CopyBytes(buffer_.get() + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

char* OutputFile::Reserve(size_t n)
{
    if (capacity_ - used_ < n) Drain();
    if (capacity_ < n) {
        buffer_ = std::make_unique_for_overwrite<char[]>(n);
        capacity_ = n;
    }
    return buffer_.get() + used_;
}

void OutputFile::Drain()
{
    WriteOut(buffer_.get(), used_);
    if (used_ == capacity_ && capacity_ < kBufferBytes) {
        capacity_ *= 2;
        buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
    }
    used_ = 0;
}

void OutputFile::WriteOut(const char* p, size_t left)
{
    while (left > 0) {
        const ssize_t n = ::write(file_.Descriptor(), p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw CommandError("cannot write \"" + target_ + "\": " + std::strerror(errno));
        p += n;
        left -= size_t(n);
        written_ += n;
    }
    if (written_ - handedOver_ >= kWritebackBytes) {
        // Advice only: a failure shows at the commit's sync.
        ::sync_file_range(file_.Descriptor(), handedOver_, written_ - handedOver_, SYNC_FILE_RANGE_WRITE);
        handedOver_ = written_;
    }
}

void OutputFile::Rewind()
{
    used_ = 0;
    written_ = handedOver_ = 0;
    if (::ftruncate(file_.Descriptor(), 0) != 0 || ::lseek(file_.Descriptor(), 0, SEEK_SET) != 0)
        throw CommandError("cannot write \"" + target_ + "\": " + std::strerror(errno));
}

void OutputFile::Commit()
{
    Drain();
    if (!file_.Commit()) throw CommandError(file_.ErrorText());
}

}  // namespace Velogram
