// OutputFile: a file written whole or not at all. The text goes into a new temporary file
// beside the target (so the final rename stays on one file system); Commit flushes it to the
// disk and renames it over the target. A file that is never committed (an error, an
// interruption) is removed when the object goes, so a failed command leaves no output
// behind, half-written or whole, and never touches an older file of that name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Velogram {

class OutputFile {
public:
    // Creates the temporary file. Throws CommandError naming the target when the folder
    // cannot take a new file.
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Buffered; throws CommandError when the disk refuses the bytes (full, read-only).
    void Write(std::string_view bytes);
    // A buffer of n bytes to fill at the end of what is written so far; Advance(k) keeps the
    // first k of them. Lets formatting write straight into the output buffer.
    char* Reserve(size_t n);
    void Advance(size_t k) { used_ += k; }
    // Writes out the rest, syncs, gives the file the permissions a new file gets (umask) and
    // renames it to the target. Throws CommandError; the temporary file is then removed.
    void Commit();

    const std::string& Target() const { return target_; }

private:
    void Drain();
    [[noreturn]] void Fail(const std::string& what, int error);

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    std::vector<char> buffer_;
    size_t used_ = 0;
    bool committed_ = false;
};

}  // namespace Velogram
