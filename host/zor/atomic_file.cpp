#include "host/zor/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <vector>

namespace Zor {
namespace {

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The permissions a newly created file gets: 0666 less the process's umask, read without
// changing it (umask() itself cannot be read without setting it, which races other threads).
mode_t NewFileMode()
{
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

// The errors of a kernel or file system that has no unnamed files.
bool LacksUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// An unnamed file gets its name through /proc/self/fd, or through AT_EMPTY_PATH, which
// older kernels allow only to privileged processes.
bool CanNameUnnamedFiles() { return ::access("/proc/self/fd", X_OK) == 0 || ::geteuid() == 0; }

std::string RandomSuffix()
{
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::string s(8, 'x');
    for (char& c : s) c = kChars[random() % (sizeof kChars - 1)];
    return s;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)), target_(path_)
{
    struct stat link {};
    if (::lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path_.c_str(), nullptr)) {
            target_ = resolved;
            std::free(resolved);
        }
    }
    folder_ = DirectoryOf(target_);
    base_ = BaseName(target_);
    dir_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0) {
        Fail("cannot write \"" + path_ + "\"", errno);
        return;
    }
    if (CanNameUnnamedFiles()) {
        fd_ = ::openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) return;
        if (!LacksUnnamedFiles(errno)) {
            Fail("cannot write \"" + path_ + "\"", errno);
            return;
        }
    }
    // A hidden name beside the target: never mistaken for a finished file.
    std::string name = folder_ + "/." + base_ + ".XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        Fail("cannot write \"" + path_ + "\"", errno);
        return;
    }
    tempPath_ = name;
}

AtomicFile::~AtomicFile() { Discard(); }

std::FILE* AtomicFile::File()
{
    if (!file_ && fd_ >= 0) {
        file_ = ::fdopen(fd_, "wb");
        if (!file_) Fail("cannot write \"" + path_ + "\"", errno);
    }
    return file_;
}

void AtomicFile::Discard()
{
    if (file_) {
        std::fclose(file_);
    } else if (fd_ >= 0) {
        ::close(fd_);
    }
    file_ = nullptr;
    fd_ = -1;
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    if (dir_ >= 0) ::close(dir_);
    dir_ = -1;
}

bool AtomicFile::Fail(const std::string& step, int error)
{
    error_ = step + ": " + std::strerror(error);
    Discard();
    return false;
}

bool AtomicFile::LinkUnnamed(const std::string& name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), dir_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != ENOENT) return false;
    return ::linkat(fd_, "", dir_, name.c_str(), AT_EMPTY_PATH) == 0;
}

bool AtomicFile::PlaceUnnamed()
{
    // A free name takes the file in one step, with nothing to clean up after a crash.
    if (LinkUnnamed(base_)) return true;
    if (errno != EEXIST) return Fail("cannot create \"" + path_ + "\"", errno);
    // An existing target is replaced by a rename, the one step that swaps it whole; the hidden
    // name lives only between the two calls.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string hidden = "." + base_ + "." + RandomSuffix();
        if (LinkUnnamed(hidden)) {
            if (::renameat(dir_, hidden.c_str(), dir_, base_.c_str()) == 0) return true;
            const int error = errno;
            ::unlinkat(dir_, hidden.c_str(), 0);
            return Fail("cannot replace \"" + path_ + "\"", error);
        }
        if (errno != EEXIST) return Fail("cannot replace \"" + path_ + "\"", errno);
    }
    return Fail("cannot replace \"" + path_ + "\"", EEXIST);
}

bool AtomicFile::Commit()
{
    if (fd_ < 0) {
        if (error_.empty()) error_ = "the file is already closed";
        return false;
    }
    if (file_ && std::fflush(file_) != 0) return Fail("cannot write \"" + path_ + "\"", errno);
    if (file_ && std::ferror(file_)) {
        error_ = "cannot write \"" + path_ + "\": an earlier write failed";
        Discard();
        return false;
    }
    struct stat target {};
    const mode_t mode = ::stat(target_.c_str(), &target) == 0 ? (target.st_mode & 07777) : NewFileMode();
    if (::fchmod(fd_, mode) != 0) return Fail("cannot set the permissions of \"" + path_ + "\"", errno);
    // On the disk before it has a name, so that a crash leaves the old file or the whole new one.
    if (::fsync(fd_) != 0) return Fail("cannot write \"" + path_ + "\" to disk", errno);
    if (tempPath_.empty()) {
        if (!PlaceUnnamed()) return false;
    } else {
        if (::rename(tempPath_.c_str(), target_.c_str()) != 0) return Fail("cannot replace \"" + path_ + "\"", errno);
        tempPath_.clear();
    }
    // The new name is durable only once the folder is synced; a failure here loses nothing
    // that was there before, and the file is in place, so it is not reported.
    ::fsync(dir_);
    Discard();
    return true;
}

}  // namespace Zor
