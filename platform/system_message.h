// FormatMessage for system codes: the text the platform has for an HRESULT, or nothing.
// Like the system's, texts end with a carriage return and line feed.
#pragma once

#include <optional>
#include <string>

#include "platform/hresult.h"

namespace platform {

// For facility 7 (wrapped POSIX errors) the low 16 bits are the errno value.
std::optional<std::u16string> SystemMessageText(HRESULT code);

}  // namespace platform
