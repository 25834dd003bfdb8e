#include "host/velogram/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

constexpr size_t kBufferBytes = size_t(1) << 20;

std::string Folder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t NewFileMode()
{
    // umask can only be read by setting it; set it straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)), buffer_(kBufferBytes)
{
    // A hidden name beside the target: never mistaken for a finished output.
    temporary_ = Folder(target_) + "/." + BaseName(target_) + ".XXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        const int error = errno;
        temporary_.clear();
        throw CommandError("cannot write " + target_ + ": " + std::strerror(error));
    }
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
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
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("cannot write ", errno);
        p += n;
        left -= size_t(n);
    }
    used_ = 0;
}

void OutputFile::Commit()
{
    Drain();
    if (::fchmod(fd_, NewFileMode()) != 0) Fail("cannot write ", errno);
    // On the disk before the rename, so that a crash leaves the old file or the whole new one.
    if (::fsync(fd_) != 0) Fail("cannot write ", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("cannot write ", errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) Fail("cannot create ", errno);
    committed_ = true;
}

void OutputFile::Fail(const std::string& what, int error)
{
    throw CommandError(what + target_ + ": " + std::strerror(error));
}

}  // namespace Velogram
