#include "host/zor/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace Zor {
namespace {

std::string Reason() { return std::strerror(errno); }

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
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

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path))
{
    std::string templ = path_ + ".XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error_ = "cannot create a file in \"" + DirectoryOf(path_) + "\": " + Reason();
        return;
    }
    tempPath_ = name.data();
    file_ = fdopen(fd, "wb");
    if (!file_) {
        error_ = "cannot write \"" + tempPath_ + "\": " + Reason();
        close(fd);
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

bool AtomicFile::Commit()
{
    if (!file_) {
        if (error_.empty()) error_ = "the file is already closed";
        return false;
    }
    struct stat target {};
    const mode_t mode = stat(path_.c_str(), &target) == 0 ? (target.st_mode & 07777) : NewFileMode();
    const int fd = fileno(file_);
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    if (!ok) error_ = "cannot write \"" + path_ + "\": " + Reason();
    if (ok && fchmod(fd, mode) != 0) {
        ok = false;
        error_ = "cannot set the permissions of \"" + path_ + "\": " + Reason();
    }
    if (ok && fsync(fd) != 0) {
        ok = false;
        error_ = "cannot write \"" + path_ + "\" to disk: " + Reason();
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (ok && closed != 0) {
        ok = false;
        error_ = "cannot write \"" + path_ + "\": " + Reason();
    }
    if (ok && rename(tempPath_.c_str(), path_.c_str()) != 0) {
        ok = false;
        error_ = "cannot replace \"" + path_ + "\": " + Reason();
    }
    if (!ok) {
        Discard();
        return false;
    }
    tempPath_.clear();
    // The rename itself is durable only once the directory is synced; a failure here loses
    // nothing that was there before, so it is not reported.
    const int dir = open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace Zor
