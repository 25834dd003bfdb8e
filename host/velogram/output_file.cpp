#include "host/velogram/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

constexpr size_t kBufferBytes = size_t(1) << 20;

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)), file_(target_)
{
    if (!file_.IsOpen()) throw CommandError(file_.ErrorText());
    buffer_.resize(kBufferBytes);
}

void OutputFile::CheckFolder(const std::string& target)
{
    const Zor::AtomicFile probe(target);
    if (!probe.IsOpen()) throw CommandError(probe.ErrorText());
}

void OutputFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (used_ == buffer_.size()) Drain();
        const size_t n = std::min(bytes.size(), buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

char* OutputFile::Reserve(size_t n)
{
    if (buffer_.size() - used_ < n) Drain();
    if (buffer_.size() < n) buffer_.resize(n);
    return buffer_.data() + used_;
}

void OutputFile::Drain()
{
    const char* p = buffer_.data();
    size_t left = used_;
    while (left > 0) {
        const ssize_t n = ::write(file_.Descriptor(), p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw CommandError("cannot write \"" + target_ + "\": " + std::strerror(errno));
        p += n;
        left -= size_t(n);
    }
    used_ = 0;
}

void OutputFile::Commit()
{
    Drain();
    if (!file_.Commit()) throw CommandError(file_.ErrorText());
}

}  // namespace Velogram
