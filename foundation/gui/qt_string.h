// Conversions between KVI::String and QString. Both hold UTF-16, so nothing is re-encoded.
#pragma once

#include <QString>

#include "foundation/kvi_string.h"

namespace KVI {

inline QString ToQString(const String& s)
{
    return QString::fromUtf16(s.c_str(), s.Length());
}

inline String FromQString(const QString& s)
{
    return String(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())));
}

}  // namespace KVI
