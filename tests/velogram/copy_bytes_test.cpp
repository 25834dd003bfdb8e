// Large copies in pieces: every length around the piece size and its multiples copies exactly
// the bytes asked for, nothing before or after them, and an append keeps what was there.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "host/velogram/copy_bytes.h"

namespace {

std::string Pattern(std::size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) & 0xFF);
    return s;
}

TEST(CopyBytes, EveryLengthAroundThePiecesIsCopiedWholeAndAlone)
{
    for (std::size_t n = 0; n <= 4200; n += (n % 1024 < 3 || n % 1024 > 1020) ? 1 : 97) {
        const std::string from = Pattern(n, 1);
        std::string to(n + 16, '#');
        Velogram::CopyBytes(to.data() + 8, from.data(), n);
        ASSERT_EQ(to.substr(8, n), from) << n << " bytes";
        ASSERT_EQ(to.substr(0, 8), std::string(8, '#')) << n << " bytes";
        ASSERT_EQ(to.substr(8 + n), std::string(8, '#')) << n << " bytes";
    }
}

TEST(CopyBytes, AnAppendKeepsTheTextBeforeIt)
{
    for (std::size_t before : {std::size_t{0}, std::size_t{5}, std::size_t{1500}}) {
        for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{1024}, std::size_t{1025}, std::size_t{3000}}) {
            std::string s = Pattern(before, 2);
            const std::string text = Pattern(n, 3);
            Velogram::AppendBytes(s, text);
            EXPECT_EQ(s, Pattern(before, 2) + text) << before << " + " << n;
        }
    }
}

}  // namespace
