// Zor::AtomicFile: writes a file so that readers see either the old contents or the new ones,
// never a mixture, and so that nothing is left behind when the writing stops half way.
//
// The data go to an unnamed temporary file in the target's folder (O_TMPFILE), which gets a
// name only at Commit, once it has been written and synced: linked in place of the target
// (through /proc/self/fd, else AT_EMPTY_PATH), or, when the target exists, linked under a
// hidden name and renamed over it; then the folder is synced, so that the new name is on the
// disk too. A process killed at any moment before leaves no file. Where the file system has
// no unnamed files (or /proc is missing), the temporary file is a hidden named one beside the
// target, removed by the destructor; a process killed outright (SIGKILL) may leave it.
//
// A target that is a symbolic link is written through: the file it points to is replaced and
// the link stays. A replaced file keeps its permissions; a new one gets those a new file gets
// (0666 less the umask). Every failure is kept as a text naming the step, the file and the
// system's reason ("No space left on device").
#pragma once

#include <cstdio>
#include <string>

namespace Zor {

class AtomicFile {
public:
    // Creates the temporary file beside path (UTF-8). Check IsOpen: it fails when the folder
    // is missing or cannot take a new file (read-only, no permission, full).
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The temporary file's descriptor for writing; -1 when it could not be created. Use it or
    // File, not both.
    int Descriptor() const { return fd_; }
    // The temporary file as a stdio stream (made at the first call); null when it could not
    // be created.
    std::FILE* File();
    // Flushes, syncs and names the temporary file as the target. false, with ErrorText, when
    // any step failed; the target is then untouched and the temporary file gone.
    bool Commit();
    // Empty while nothing failed.
    const std::string& ErrorText() const { return error_; }

private:
    bool Fail(const std::string& step, int error);
    bool LinkUnnamed(const std::string& name);
    bool PlaceUnnamed();
    void Discard();

    std::string path_;        // as given, for messages
    std::string target_;      // path_ with a symbolic link resolved
    std::string folder_;
    std::string base_;        // the target's name in folder_
    std::string tempPath_;    // the named temporary file; empty for an unnamed one
    int dir_ = -1;
    int fd_ = -1;
    std::FILE* file_ = nullptr;
    std::string error_;
};

}  // namespace Zor
