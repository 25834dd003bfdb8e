// KVI::OStringStream: a wide output stream whose text is read out as a KVI::String.
//
// Values are written with the standard wide insertion operators and manipulators
// (std::setprecision, std::fixed, ...). Str() may be called at any time; writing may go on
// afterwards, and strings already read out never change. Repeated read-outs with no write in
// between share one string representation.
#pragma once

#include <ostream>

#include "foundation/string_stream_buf.h"

namespace KVI {

class OStringStream : public std::wostream {
public:
    OStringStream() : std::wostream(nullptr) { init(&buf_); }
    OStringStream(const OStringStream&) = delete;
    OStringStream& operator=(const OStringStream&) = delete;

    // The text written so far (UTF-16; the shared empty string when nothing was written).
    String Str() { return buf_.Str(); }

    StringStreamBuf* rdbuf() { return &buf_; }

private:
    StringStreamBuf buf_;
};

}  // namespace KVI
