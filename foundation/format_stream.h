// Format streams: fill the numbered placeholders "%1" to "%20" of a format text with
// arguments written through the stream's ordinary insertion operators.
//
// Use:
//     KVI::OFormatStringStream s(u"%2 of %1");
//     s << 5;  s.NextArg();
//     s << 7;  s.NextArg();
//     s.Str();                      // "7 of 5"
//
// The format, parsed at construction:
// - "%" followed directly by decimal digits whose value N is not 0 is a placeholder number;
//   a backslash right after the digits belongs to the placeholder and is dropped ("%1\2" is
//   argument 1 followed by "2"). Any other "%" is literal text.
// - "%%" marks the literal stretch it stands in (the text between two placeholders, or before
//   the first, or after the last): when that stretch is written, every "%" in it is removed
//   and the character after a removed "%" is written unexamined, so "%%" gives "%".
// - Placeholders 1 to 20 are filled, at most 20 placeholders in all; a number above 20, or a
//   placeholder beyond the twentieth, stays literal text. When a number occurs twice, the later
//   placeholder gets the argument and the earlier one produces no text.
// - Every number, also one that stays literal, raises the highest argument number. The text is
//   written to the target once, when the argument with the highest number has been closed by
//   NextArg(); so "%1 %25" is written when the 25th argument is closed.
// - A format with no placeholder number at all is written to the target at construction.
//
// Argument text is stored in a fixed buffer of kArgumentCapacity wide characters for all
// arguments together; what goes beyond is not stored, the stream's badbit is set, and the
// result holds what fitted.
//
// NOTE: wide characters here are 32-bit code points, so the limit counts characters, not
// UTF-16 units; the format and the result are UTF-16 (converted at the string boundary).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <string>

#include "foundation/basic_ostrstream.h"
#include "foundation/kvi_string.h"
#include "foundation/string_stream_buf.h"

namespace KVI {

namespace detail {
// Holds the argument array so that it exists before the stream built over it.
struct FormatArgumentText {
    static constexpr std::size_t kCapacity = 1024;
    std::array<wchar_t, kCapacity> argumentText_{};
};
// Holds the string target so that it exists before the format stream writes to it.
struct FormatStringTarget {
    StringStreamBuf stringTarget_;
};
}  // namespace detail

class OFormatStream : private detail::FormatArgumentText, public basic_ostrstream<wchar_t> {
public:
    static constexpr std::size_t kArgumentCapacity = detail::FormatArgumentText::kCapacity;
    static constexpr int kMaxPlaceholders = 20;

    // [in] format: the format text.
    // [in] target: receives the result; null discards it. Must outlive the stream. When a write
    //      to it fails, this stream's badbit is set.
    OFormatStream(const String& format, std::wstreambuf* target);

    // Closes the argument written since the previous call (argument 1 first). Once the
    // argument with the highest number is closed the result goes to the target; calls after
    // that do nothing.
    void NextArg();

    // True once the result has been written to the target.
    bool Complete() const { return closed_ >= highest_; }
    // The highest placeholder number of the format (0: none).
    long HighestArgument() const { return highest_; }

private:
    struct Placeholder {
        std::size_t percent;  // index of its "%" in the format
        std::size_t resume;   // where the format text goes on after it
        std::size_t argumentStart;
        std::size_t argumentLength;
        bool stretchHasDoubledPercent;  // the literal stretch before it held "%%"
    };

    void Parse();
    void WriteResult();
    // Writes format_[from, to), removing "%" when percentRemoval is set.
    void WriteStretch(std::size_t from, std::size_t to, bool percentRemoval);
    void WriteToTarget(const wchar_t* text, std::size_t count);

    std::wstring format_;
    std::wstreambuf* target_;
    std::array<Placeholder, kMaxPlaceholders> placeholders_{};
    int placeholderCount_ = 0;
    std::array<int8_t, kMaxPlaceholders + 1> placeholderOf_{};  // argument number -> record, -1
    bool tailHasDoubledPercent_ = false;
    long highest_ = 0;
    long closed_ = 0;
    std::size_t previousPosition_ = 0;
};

// A format stream whose result is read out as a KVI::String, like OStringStream.
class OFormatStringStream : private detail::FormatStringTarget, public OFormatStream {
public:
    explicit OFormatStringStream(const String& format) : OFormatStream(format, &stringTarget_) {}

    // The result so far: empty until the last argument is closed (unless the format has no
    // placeholder).
    String Str() { return stringTarget_.Str(); }
};

}  // namespace KVI
