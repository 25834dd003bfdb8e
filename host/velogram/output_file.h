// OutputFile: a file written whole or not at all, through Zor::AtomicFile: the text goes into
// an unnamed temporary file in the target's folder, which Commit syncs and puts in place of
// the target (keeping a replaced file's permissions). A file that is never committed (an
// error, an interruption, a killed process) leaves nothing behind, half-written or whole, and
// never touches an older file of that name.
//
// The temporary file is made when the object is, so that a folder that is missing or cannot
// take a new file is found before any work is done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/zor/atomic_file.h"

namespace Velogram {

class OutputFile {
public:
    // Creates the temporary file. Throws CommandError naming the target and the reason when
    // the folder cannot take a new file.
    explicit OutputFile(std::string target);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Buffered; throws CommandError when the disk refuses the bytes (full, read-only).
    void Write(std::string_view bytes);
    // A buffer of n bytes to fill at the end of what is written so far; Advance(k) keeps the
    // first k of them. Lets formatting write straight into the output buffer.
    char* Reserve(size_t n);
    void Advance(size_t k) { used_ += k; }
    // Drops everything written so far: the file starts again empty. Throws CommandError.
    void Rewind();
    // Writes out the rest, syncs and puts the file in place. Throws CommandError; the
    // temporary file is then gone.
    void Commit();

    const std::string& Target() const { return target_; }

    // Throws CommandError, as the constructor would, when the folder of target cannot take a
    // new file; leaves nothing behind. For outputs that another writer makes later.
    static void CheckFolder(const std::string& target);

private:
    void Drain();
    void WriteOut(const char* p, size_t n);

    std::string target_;
    Zor::AtomicFile file_;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t used_ = 0;
    int64_t written_ = 0;     // bytes in the file
    int64_t handedOver_ = 0;  // of them, those whose writing to the disk was started
};

}  // namespace Velogram
