#include "foundation/format_stream.h"

#include <algorithm>
#include <climits>

#include "platform/code_page.h"

namespace KVI {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads the digits at text[i...], advancing i; saturates at LONG_MAX like wcstol. Only digits
// right after the "%" count: no blanks or sign, so "50% 2" stays literal text.
long ReadNumber(const std::wstring& text, std::size_t& i)
{
    long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const long digit = text[i] - L'0';
        value = value > (LONG_MAX - digit) / 10 ? LONG_MAX : value * 10 + digit;
    }
    return value;
}

}  // namespace

OFormatStream::OFormatStream(const String& format, std::wstreambuf* target)
    : basic_ostrstream<wchar_t>(argumentText_.data(), argumentText_.size()),
      format_(platform::Utf16ToWide(format.View())),
      target_(target)
{
    placeholderOf_.fill(-1);
    Parse();
    if (highest_ == 0) WriteResult();
}

void OFormatStream::Parse()
{
    bool doubledPercent = false;
    std::size_t i = 0;
    while ((i = format_.find(L'%', i)) != std::wstring::npos) {
        if (i + 1 < format_.size() && format_[i + 1] == L'%') {
            doubledPercent = true;
            i += 2;
            continue;
        }
        std::size_t end = i + 1;
        const long number = ReadNumber(format_, end);
        if (number == 0) {  // no digits, or the number 0: a literal "%"
            ++i;
            continue;
        }
        highest_ = std::max(highest_, number);
        if (number > kMaxPlaceholders || placeholderCount_ == kMaxPlaceholders) {
            i = end;  // stays literal text
            continue;
        }
        std::size_t resume = end;
        if (resume < format_.size() && format_[resume] == L'\\') ++resume;
        placeholders_[placeholderCount_] = Placeholder{i, resume, 0, 0, doubledPercent};
        placeholderOf_[number] = static_cast<int8_t>(placeholderCount_);
        ++placeholderCount_;
        doubledPercent = false;
        i = resume;
    }
    tailHasDoubledPercent_ = doubledPercent;
}

void OFormatStream::NextArg()
{
    if (Complete()) return;
    // pcount() and not tellp(): the position is wanted also after the buffer overflowed.
    const std::size_t position = pcount();
    const long number = closed_ + 1;
    if (number <= kMaxPlaceholders && placeholderOf_[number] >= 0) {
        Placeholder& p = placeholders_[placeholderOf_[number]];
        p.argumentStart = previousPosition_;
        p.argumentLength = position - previousPosition_;
    }
    ++closed_;
    if (closed_ == highest_) WriteResult();
    previousPosition_ = position;
}

void OFormatStream::WriteResult()
{
    std::size_t from = 0;
    for (int k = 0; k < placeholderCount_; ++k) {
        const Placeholder& p = placeholders_[k];
        WriteStretch(from, p.percent, p.stretchHasDoubledPercent);
        WriteToTarget(argumentText_.data() + p.argumentStart, p.argumentLength);
        from = p.resume;
    }
    WriteStretch(from, format_.size(), tailHasDoubledPercent_);
}

void OFormatStream::WriteStretch(std::size_t from, std::size_t to, bool percentRemoval)
{
    if (!percentRemoval) {
        WriteToTarget(format_.data() + from, to - from);
        return;
    }
    while (from < to) {
        const std::size_t percent = std::min(format_.find(L'%', from), to);
        WriteToTarget(format_.data() + from, percent - from);
        if (percent == to) break;
        // The character after a removed "%" is written as it is, even another "%".
        const std::size_t next = percent + 1;
        if (next < to) WriteToTarget(format_.data() + next, 1);
        from = next + 1;
    }
}

void OFormatStream::WriteToTarget(const wchar_t* text, std::size_t count)
{
    if (!target_ || count == 0) return;
    if (target_->sputn(text, static_cast<std::streamsize>(count)) != static_cast<std::streamsize>(count))
        setstate(std::ios_base::badbit);
}

}  // namespace KVI
