// The short decimal reader against std::from_chars: whatever it reads, from_chars reads whole
// to the same float bits; and on the texts it is meant for it does read them.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/velogram/short_decimal.h"

namespace {

using Velogram::ReadShortDecimal;

struct Read {
    bool ok = false;
    uint32_t bits = 0;
};

Read Short(const std::string& text)
{
    float value = 0;
    const bool ok = ReadShortDecimal(text.data(), text.data() + text.size(), value);
    return {ok, std::bit_cast<uint32_t>(value)};
}

Read Library(const std::string& text)
{
    float value = 0;
    const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return {ec == std::errc() && stop == text.data() + text.size(), std::bit_cast<uint32_t>(value)};
}

// Fails when the short reader takes a text from_chars does not, or gives other bits.
void ExpectAgrees(const std::string& text)
{
    const Read mine = Short(text);
    if (!mine.ok) return;
    const Read theirs = Library(text);
    ASSERT_TRUE(theirs.ok) << '"' << text << "\" is read by the short reader only";
    ASSERT_EQ(mine.bits, theirs.bits) << '"' << text << '"';
}

TEST(ShortDecimal, ReadsPlainDecimalsAsFromCharsDoesAndLeavesTheRest)
{
    struct Case {
        const char* text;
        bool read;
    };
    const std::vector<Case> cases = {
        {"2.500000", true}, {"-0.0153", true}, {"41", true}, {"0", true}, {"-0", true}, {"-0.000", true},
        {"5.", true}, {".5", true}, {"-.5", true}, {"16777216", true}, {"1.6777216", true},
        {"0.0000001", true}, {"100.26993", true},
        // Left to the general reader: too many digits or too large an integer, an exponent,
        // signs and marks it does not take, no digit at all.
        {"16777217", false}, {"1.6777217", false}, {"123456789", false}, {"0.00000001", false},
        {"1e5", false}, {"+1", false}, {"--1", false}, {"1..2", false}, {"1.2.3", false}, {".", false},
        {"-", false}, {"", false}, {" 1", false}, {"1 ", false}, {"nan", false}, {"inf", false}, {"0x10", false},
        {"1,5", false}, {"\xD9\xA1", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Short(c.text).ok, c.read) << '"' << c.text << '"';
        ExpectAgrees(c.text);
    }
    EXPECT_EQ(Short("-0").bits, 0x80000000u);
}

TEST(ShortDecimal, AgreesWithFromCharsOnRandomDecimalsAndAtRoundingTies)
{
    std::mt19937_64 random(2026);
    std::uniform_int_distribution<int> length(1, 9);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int n = 0; n < 400000; ++n) {
        std::string text = random() % 2 ? "-" : "";
        const int digits = length(random);
        const int point = static_cast<int>(random() % static_cast<uint64_t>(digits + 2)) - 1;  // -1: none
        for (int i = 0; i < digits; ++i) {
            if (i == point) text += '.';
            text += static_cast<char>('0' + digit(random));
        }
        if (point == digits) text += '.';
        ASSERT_NO_FATAL_FAILURE(ExpectAgrees(text));
    }
    // Integers near 2^24 and below, at every decimal position: the quotients that round.
    for (uint32_t m = (1u << 24) - 5000; m <= (1u << 24); ++m) {
        const std::string digits = std::to_string(m);
        for (std::size_t at = 0; at <= digits.size(); ++at) {
            const std::string text = digits.substr(0, at) + "." + digits.substr(at);
            ASSERT_TRUE(Short(text).ok) << text;
            ASSERT_NO_FATAL_FAILURE(ExpectAgrees(text));
        }
    }
}

}  // namespace
