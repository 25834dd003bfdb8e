#include "host/velogram/csv_text_decoder.h"

#include <algorithm>

#include "platform/code_page.h"

namespace Velogram {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u < 0xDC00; }

// True while head could still grow into mark.
bool CouldBecome(std::string_view head, std::string_view mark)
{
    return head.size() < mark.size() && mark.starts_with(head);
}

}  // namespace

std::string_view CsvTextDecoder::Decode(std::string_view bytes)
{
    if (decided_) {
        if (encoding_ == TextEncoding::kUtf8 || encoding_ == TextEncoding::kUtf8WithMark) return bytes;
        return DecodeUtf16(bytes);
    }
    head_.append(bytes);
    const std::string_view head = head_;
    if (CouldBecome(head, kUtf8Mark) || CouldBecome(head, kUtf16LeMark) || CouldBecome(head, kUtf16BeMark))
        return {};
    decided_ = true;
    size_t skip = 0;
    if (head.starts_with(kUtf8Mark)) {
        encoding_ = TextEncoding::kUtf8WithMark;
        skip = kUtf8Mark.size();
    } else if (head.starts_with(kUtf16LeMark)) {
        encoding_ = TextEncoding::kUtf16LittleEndian;
        skip = kUtf16LeMark.size();
    } else if (head.starts_with(kUtf16BeMark)) {
        encoding_ = TextEncoding::kUtf16BigEndian;
        skip = kUtf16BeMark.size();
    }
    out_.swap(head_);
    head_.clear();
    if (encoding_ == TextEncoding::kUtf8 || encoding_ == TextEncoding::kUtf8WithMark)
        return std::string_view(out_).substr(skip);
    const std::string rest = out_.substr(skip);
    return DecodeUtf16(rest);
}

std::string_view CsvTextDecoder::DecodeUtf16(std::string_view bytes)
{
    units_.clear();
    if (highSurrogate_) units_ += highSurrogate_;
    highSurrogate_ = 0;
    const bool little = encoding_ == TextEncoding::kUtf16LittleEndian;
    const auto unit = [little](char a, char b) {
        const auto lo = static_cast<unsigned char>(little ? a : b), hi = static_cast<unsigned char>(little ? b : a);
        return static_cast<char16_t>(lo | (hi << 8));
    };
    size_t i = 0;
    if (!oddByte_.empty() && !bytes.empty()) {
        units_ += unit(oddByte_[0], bytes[0]);
        oddByte_.clear();
        i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2) units_ += unit(bytes[i], bytes[i + 1]);
    if (i < bytes.size()) oddByte_.assign(1, bytes[i]);
    // A pair cut by the piece's end waits for its second half.
    if (!units_.empty() && IsHighSurrogate(units_.back())) {
        highSurrogate_ = units_.back();
        units_.pop_back();
    }
    out_ = platform::Utf16ToUtf8(units_);
    return out_;
}

std::string_view CsvTextDecoder::Finish()
{
    if (!decided_) {
        decided_ = true;
        out_.swap(head_);
        head_.clear();
        return out_;
    }
    out_.clear();
    // A lone high surrogate and half a unit are both a broken character.
    if (highSurrogate_) out_ += platform::Utf16ToUtf8(std::u16string_view(&highSurrogate_, 1));
    if (!oddByte_.empty()) out_ += "\xEF\xBF\xBD";
    highSurrogate_ = 0;
    oddByte_.clear();
    return out_;
}

}  // namespace Velogram
