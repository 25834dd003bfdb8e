// Copies of large byte blocks (chunks of a recording, output buffers) in pieces below the size
// at which glibc's memcpy switches to `rep movsb`: on some processors (AMD Zen 3 with glibc
// 2.36, and in some virtual machines) that runs at a tenth of the speed of the vector copy it
// uses for smaller pieces, and the pieces cost nothing measurable where it does not.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace Velogram {

inline void CopyBytes(char* to, const char* from, std::size_t n) noexcept
{
    constexpr std::size_t kPiece = 1024;  // below glibc's threshold, 2048 bytes or more
    while (n > kPiece) {
        std::memcpy(to, from, kPiece);
        to += kPiece;
        from += kPiece;
        n -= kPiece;
    }
    std::memcpy(to, from, n);
}

// text appended to s, copied as CopyBytes copies.
inline void AppendBytes(std::string& s, std::string_view text)
{
    const std::size_t old = s.size();
    s.resize(old + text.size());
    CopyBytes(s.data() + old, text.data(), text.size());
}

}  // namespace Velogram
