// How the automation interface's slots answer: a refusal with a message for the caller, and a
// size-versioned structure filled up to the size the caller knows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/kvi_string.h"
#include "platform/hresult.h"

namespace Tessar {

// KVI_E_MESSAGE with the module's string of messageId.
inline HRESULT Refuse(uint32_t messageId, IAutoKVIString** message)
{
    *message = KVI::String(KVI::ThisModule(), messageId).NewReference();
    return KVI_E_MESSAGE;
}

// KVI_E_MESSAGE with a text of the module's (UTF-8).
inline HRESULT Tell(const std::string& text, IAutoKVIString** message)
{
    *message = KVI::String::FromUtf8(text).NewReference();
    return KVI_E_MESSAGE;
}

// Copies full into out after out's size field, no further than out->size bytes in all. T
// starts with its int32_t size field.
template <class T>
void CopySized(const T& full, T* out)
{
    const auto size = static_cast<std::size_t>(std::min<int64_t>(out->size, int64_t(sizeof full)));
    std::memcpy(reinterpret_cast<char*>(out) + sizeof(int32_t), reinterpret_cast<const char*>(&full) + sizeof(int32_t),
                size - sizeof(int32_t));
}

}  // namespace Tessar
