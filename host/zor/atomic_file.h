// Zor::AtomicFile: writes a file so that readers see either the old contents or the new ones,
// never a mixture: the data go to a new temporary file in the same directory, which replaces
// the target by a rename once it has been written and synced. A failed or abandoned write
// removes the temporary file and leaves the target as it was.
#pragma once

#include <cstdio>
#include <string>

namespace Zor {

class AtomicFile {
public:
    // Creates the temporary file beside path (UTF-8). Check IsOpen.
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The temporary file to write to; null when it could not be created.
    std::FILE* File() const { return file_; }
    // Flushes, syncs and closes the temporary file and renames it over the target, which takes
    // the target's permissions when it existed (else those a new file gets). false, with
    // ErrorText, when any step failed; the target is then untouched.
    bool Commit();
    // Empty while nothing failed.
    const std::string& ErrorText() const { return error_; }

private:
    void Discard();

    std::string path_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;
    std::string error_;
};

}  // namespace Zor
