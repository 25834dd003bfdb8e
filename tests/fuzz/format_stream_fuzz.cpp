// Fuzzes the format stream: the first line of the input is the format text (UTF-8), every
// further line one argument. Checks the invariants that hold for any format and arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/format_stream.h"
#include "platform/code_page.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    for (size_t start = 0;;) {
        const size_t end = input.find('\n', start);
        lines.push_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }

    const KVI::String format = KVI::String::FromUtf8(lines[0]);
    KVI::OFormatStringStream s(format);
    size_t argumentChars = 0;
    for (size_t k = 1; k < lines.size(); ++k) {
        const std::wstring arg = platform::Utf16ToWide(platform::Utf8ToUtf16(lines[k]));
        argumentChars += arg.size();
        s << arg;
        s.NextArg();
    }
    const auto closed = static_cast<long>(lines.size() - 1);
    const KVI::String out = s.Str();

    // The argument buffer holds at most 1024 characters, and fails exactly when asked for more.
    Check(s.pcount() <= KVI::OFormatStream::kArgumentCapacity);
    Check(s.pcount() == std::min(argumentChars, KVI::OFormatStream::kArgumentCapacity));
    Check(s.bad() == (argumentChars > KVI::OFormatStream::kArgumentCapacity));
    // The text is produced once the highest argument number is closed, and not before.
    Check(s.Complete() == (closed >= s.HighestArgument()));
    if (!s.Complete()) Check(out.IsEmpty());
    // Each argument is written at most once, and literal text only shrinks ("%" removal):
    // a non-BMP argument character takes two UTF-16 units.
    Check(static_cast<size_t>(out.Length()) <= static_cast<size_t>(format.Length()) + 2 * s.pcount());
    // A format without "%" is its own result, written at construction; a 0 character at its
    // very end is taken as the read-out's terminator.
    std::u16string_view text = format.View();
    if (text.find(u'%') == std::u16string_view::npos) {
        Check(s.HighestArgument() == 0);
        if (!text.empty() && text.back() == u'\0') text.remove_suffix(1);
        Check(out.View() == text);
    }
    return 0;
}
