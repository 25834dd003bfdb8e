// Wide stream buffers whose text is read out as a KVI::String.
//
// wchar_t is 32-bit here while KVI::String holds UTF-16, so the buffer cannot write straight
// into a string representation. MemStreamBufBase keeps the written text in a block of wide
// characters that grows by doubling; StringStreamBuf converts that text into a KVI::String
// when it is read out (characters outside the Basic Multilingual Plane become surrogate
// pairs) and hands the same representation to every read-out until the text changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ios>
#include <memory>
#include <streambuf>
#include <string_view>

#include "foundation/kvi_string.h"

namespace KVI {

// A growable block of wide characters behind a std::wstreambuf, with the put area (and, when
// the mode holds std::ios_base::in, the get area) over it.
//
// - The block starts at kInitialCapacity characters on the first write and doubles whenever
//   the put area is full; a doubling past the maximum capacity (kMaxCapacity unless the
//   constructor was given a smaller one) takes the maximum instead. A failed
//   allocation, or a full block at kMaxCapacity, makes the write fail (overflow returns
//   end-of-file, so the stream sets badbit); the text written so far stays.
// - The text is everything up to the furthest position ever written (the high-water mark),
//   also after the put position was moved back by seeking.
// - HandOut() gives a derived class the text and closes the put area, so that the next write
//   reaches overflow() and calls OnWriteResumed() before anything changes.
// - seekoff/seekpos work within the text with the standard semantics for the input and output
//   positions: a target outside 0 ... text length fails with pos_type(off_type(-1)) and moves
//   nothing. Moving both positions relative to the current one (std::ios_base::cur with in|out)
//   fails, as for std::basic_stringbuf.
class MemStreamBufBase : public std::wstreambuf {
public:
    static constexpr int32_t kInitialCapacity = 16;
    static constexpr int32_t kMaxCapacity = INT32_MAX;

    MemStreamBufBase(const MemStreamBufBase&) = delete;
    MemStreamBufBase& operator=(const MemStreamBufBase&) = delete;
    ~MemStreamBufBase() override;

    // Characters the block holds (0 before the first write).
    int32_t BlockCapacity() const { return capacity_; }
    // Number of characters written (the high-water mark), whatever the put position.
    size_t TextSize() const;

protected:
    // [in] mode: std::ios_base::in and/or out; the string streams pass both.
    // [in] maxCapacity: the most characters the block may grow to (at least kInitialCapacity).
    explicit MemStreamBufBase(std::ios_base::openmode mode, int32_t maxCapacity = kMaxCapacity);

    // The text written so far, without a final 0 character (a written 0 at the end stands for
    // the terminator of the read-out). Valid until the next write or seek. Sets the handed-out
    // flag and closes the put area.
    std::wstring_view HandOut();
    bool IsHandedOut() const { return handedOut_; }
    // Called once before the first change after HandOut().
    virtual void OnWriteResumed() {}

    int_type overflow(int_type c) override;
    int_type underflow() override;
    pos_type seekoff(off_type off, std::ios_base::seekdir way, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
    size_t PutPosition() const;
    size_t GetPosition() const;
    // Raises the high-water mark to the put position.
    void SyncTextEnd();
    // Points the put area at the block, open to its end or closed (empty) at pos.
    void SetPutArea(size_t pos, bool open);
    void SetGetArea(size_t pos);
    bool Grow();

    std::unique_ptr<wchar_t[]> block_;
    int32_t capacity_ = 0;
    int32_t maxCapacity_;
    size_t textEnd_ = 0;
    std::ios_base::openmode mode_;
    bool handedOut_ = false;
};

// The buffer of KVI::OStringStream and KVI::OFormatStringStream.
//
// Str() converts the text once into a new string representation and keeps a reference to it;
// every further Str() before the next write or seek-and-write returns that same
// representation (shared, not copied). The buffer never writes into a representation it has
// handed out, so strings already returned never change.
class StringStreamBuf : public MemStreamBufBase {
public:
    // [in] maxCapacity: the most wide characters the text may hold; writes beyond it fail.
    explicit StringStreamBuf(int32_t maxCapacity = kMaxCapacity)
        : MemStreamBufBase(std::ios_base::in | std::ios_base::out, maxCapacity)
    {
    }

    // The text written so far; the shared empty string when nothing was written.
    String Str();

protected:
    void OnWriteResumed() override;

private:
    String readOut_;
};

}  // namespace KVI
