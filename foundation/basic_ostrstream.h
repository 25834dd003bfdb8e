// KVI::basic_ostrstream: an output stream over a caller's fixed character array.
//
// The array is never grown: a write that does not fit stores what fits, fails, and sets the
// stream's badbit; later writes store nothing. pcount() is the number of characters stored,
// readable also after a failure (unlike tellp(), which answers -1 once the stream has failed).
#pragma once

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace KVI {

template <class CharT, class Traits = std::char_traits<CharT>>
class basic_ostrstream : public std::basic_ostream<CharT, Traits> {
public:
    // [in] buffer, size: the array the text is written to; it must outlive the stream.
    // No terminator is written.
    basic_ostrstream(CharT* buffer, std::size_t size) : std::basic_ostream<CharT, Traits>(nullptr), buf_(buffer, size)
    {
        this->init(&buf_);
    }
    basic_ostrstream(const basic_ostrstream&) = delete;
    basic_ostrstream& operator=(const basic_ostrstream&) = delete;

    // Characters stored so far.
    std::size_t pcount() const { return buf_.Count(); }
    // [in] start, length: a stretch of the stored text; both must lie within pcount().
    std::basic_string_view<CharT, Traits> text(std::size_t start, std::size_t length) const
    {
        return {buf_.Begin() + start, length};
    }

private:
    // The put area is the whole array; the default overflow() fails, which is the limit.
    class ArrayBuf : public std::basic_streambuf<CharT, Traits> {
    public:
        ArrayBuf(CharT* buffer, std::size_t size) { this->setp(buffer, buffer + size); }
        std::size_t Count() const { return static_cast<std::size_t>(this->pptr() - this->pbase()); }
        const CharT* Begin() const { return this->pbase(); }
    };

    ArrayBuf buf_;
};

}  // namespace KVI
