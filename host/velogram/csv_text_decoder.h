// CsvTextDecoder: the bytes of a CSV file as UTF-8 text, piece by piece as they are read. The
// first bytes tell the encoding: a UTF-8 byte-order mark (dropped), a UTF-16 one, little- or
// big-endian (the text is converted to UTF-8; unpaired surrogates become U+FFFD), or none:
// UTF-8, passed on as it is (a header in another code page is the reader's business, since
// only the reader knows where the header ends).
#pragma once

#include <string>
#include <string_view>

namespace Velogram {

enum class TextEncoding { kUtf8, kUtf8WithMark, kUtf16LittleEndian, kUtf16BigEndian };

class CsvTextDecoder {
public:
    // The next piece of bytes as UTF-8 text, valid until the next call. What cannot be decoded
    // yet (the start of a byte-order mark, half a UTF-16 unit, the first half of a surrogate
    // pair) is kept for the next piece.
    std::string_view Decode(std::string_view bytes);
    // The end of the bytes: what was kept, as text (an unfinished unit or pair as U+FFFD).
    std::string_view Finish();

    // kUtf8 until the first bytes have decided it.
    TextEncoding Encoding() const { return encoding_; }

private:
    std::string_view DecodeUtf16(std::string_view bytes);

    bool decided_ = false;
    TextEncoding encoding_ = TextEncoding::kUtf8;
    std::string head_;  // the first bytes while the encoding is open
    std::string out_;
    std::string oddByte_;  // UTF-16: the first byte of a unit cut by the piece's end
    std::u16string units_;
    char16_t highSurrogate_ = 0;  // UTF-16: waiting for its low half
};

}  // namespace Velogram
