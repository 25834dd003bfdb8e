// Text streams over KVI::String, the format stream, and the error objects.
#include <gtest/gtest.h>

#include <cerrno>
#include <iomanip>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/format_stream.h"
#include "foundation/hresult_message.h"
#include "foundation/ostring_stream.h"
#include "foundation/xkvi.h"
#include "platform/string_table.h"

namespace {

using KVI::OFormatStringStream;
using KVI::OStringStream;
using KVI::String;

// ---------------------------------------------------------------- string stream buffer

TEST(OStringStream, NothingWrittenReadsOutTheSharedEmptyString)
{
    OStringStream os;
    const String s = os.Str();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Rep(), String().Rep());
}

TEST(OStringStream, BlockStartsAt16AndDoublesKeepingTheText)
{
    OStringStream os;
    os << std::wstring(16, L'a');
    EXPECT_EQ(os.rdbuf()->BlockCapacity(), 16);
    os << L'b';
    EXPECT_EQ(os.rdbuf()->BlockCapacity(), 32);
    os << std::wstring(1000, L'c');
    EXPECT_EQ(os.rdbuf()->BlockCapacity(), 1024);
    EXPECT_EQ(os.Str().ToUtf8(), std::string(16, 'a') + "b" + std::string(1000, 'c'));
}

TEST(OStringStream, WriteBeyondTheMaximumCapacityFailsAndKeepsWhatFitted)
{
    KVI::StringStreamBuf buf(32);
    std::wostream os(&buf);
    os << std::wstring(40, L'x');
    EXPECT_TRUE(os.bad());
    EXPECT_EQ(buf.BlockCapacity(), 32);
    EXPECT_EQ(buf.Str().ToUtf8(), std::string(32, 'x'));
}

TEST(OStringStream, RepeatedReadOutsShareOneRepresentation)
{
    OStringStream os;
    os << L"abc";
    const String first = os.Str();
    const String second = os.Str();
    EXPECT_EQ(first.ToUtf8(), "abc");
    EXPECT_EQ(first.Rep(), second.Rep());
}

TEST(OStringStream, WritingAfterAReadOutNeverChangesStringsAlreadyReturned)
{
    OStringStream os;
    std::vector<String> readOuts;
    std::string expected;
    for (int i = 0; i < 40; ++i) {  // crosses several doublings
        os << static_cast<wchar_t>(L'a' + i % 26);
        readOuts.push_back(os.Str());
    }
    for (int i = 0; i < 40; ++i) {
        expected += static_cast<char>('a' + i % 26);
        EXPECT_EQ(readOuts[i].ToUtf8(), expected) << "read-out " << i;
        EXPECT_EQ(readOuts[i].Length(), i + 1);
    }
}

TEST(OStringStream, WrittenTerminatorIsNotPartOfTheText)
{
    OStringStream os;
    os << L"ab" << L'\0';
    EXPECT_EQ(os.Str().Length(), 2);
    EXPECT_EQ(os.Str().ToUtf8(), "ab");
}

TEST(OStringStream, CharactersOutsideTheBasicPlaneBecomeSurrogatePairs)
{
    OStringStream os;
    os << L"x\U0001F600y";
    const String s = os.Str();
    EXPECT_EQ(s.View(), std::u16string_view(u"x\U0001F600y"));
    EXPECT_EQ(s.Length(), 4);
}

TEST(OStringStream, NumbersFollowTheStreamFormat)
{
    OStringStream os;
    os << 1.0 / 3 << L' ' << std::fixed << std::setprecision(2) << 3.14159 << L' ' << std::scientific
       << std::setprecision(3) << 12345.678 << L' ' << -42;
    EXPECT_EQ(os.Str().ToUtf8(), "0.333333 3.14 1.235e+04 -42");
}

TEST(OStringStream, SeekingWithinTheTextOverwrites)
{
    OStringStream os;
    os << L"hello";
    os.seekp(0);
    os << L'J';
    EXPECT_EQ(os.tellp(), 1);
    EXPECT_EQ(os.Str().ToUtf8(), "Jello");  // the text runs to the furthest write
    os.seekp(-1, std::ios_base::end);
    os << L"y!";
    EXPECT_EQ(os.Str().ToUtf8(), "Jelly!");
}

TEST(OStringStream, SeekingOutsideTheTextFailsAndMovesNothing)
{
    OStringStream os;
    os << L"abc";
    KVI::StringStreamBuf* buf = os.rdbuf();
    const auto invalid = std::wstreambuf::pos_type(std::wstreambuf::off_type(-1));
    EXPECT_EQ(buf->pubseekpos(4, std::ios_base::out), invalid);
    EXPECT_EQ(buf->pubseekoff(-4, std::ios_base::end, std::ios_base::out), invalid);
    EXPECT_EQ(buf->pubseekoff(1, std::ios_base::cur, std::ios_base::in | std::ios_base::out), invalid);
    EXPECT_EQ(buf->pubseekoff(0, std::ios_base::cur, std::ios_base::out), 3);
    EXPECT_EQ(buf->pubseekpos(3, std::ios_base::out), 3);

    os.seekp(10);
    EXPECT_TRUE(os.fail());
}

TEST(OStringStream, SeekingBeforeAnyWriteAllowsOnlyPositionZero)
{
    OStringStream os;
    EXPECT_EQ(os.rdbuf()->pubseekpos(0), 0);
    EXPECT_EQ(os.rdbuf()->pubseekpos(1), std::wstreambuf::pos_type(std::wstreambuf::off_type(-1)));
    os << L"ok";
    EXPECT_EQ(os.Str().ToUtf8(), "ok");
}

TEST(OStringStream, InputPositionReadsTheWrittenText)
{
    OStringStream os;
    os << L"abcd";
    KVI::StringStreamBuf* buf = os.rdbuf();
    ASSERT_EQ(buf->pubseekpos(2, std::ios_base::in), 2);
    EXPECT_EQ(buf->sgetc(), L'c');
    os << L"ef";  // written after the get area was set
    wchar_t tail[4] = {};
    EXPECT_EQ(buf->sgetn(tail, 4), 4);
    EXPECT_EQ(std::wstring(tail, 4), L"cdef");
    EXPECT_EQ(buf->sgetc(), std::wstreambuf::traits_type::eof());
}

TEST(OStringStream, SeekAndWriteAfterAReadOutLeavesTheReadOutAlone)
{
    OStringStream os;
    os << L"hello";
    const String before = os.Str();
    os.seekp(0);
    EXPECT_EQ(os.Str().Rep(), before.Rep());  // moving alone changes no text
    os << L'J';
    EXPECT_EQ(before.ToUtf8(), "hello");
    EXPECT_EQ(os.Str().ToUtf8(), "Jello");
}

// ---------------------------------------------------------------- format stream

struct FormatCase {
    const char* name;
    const char16_t* format;
    std::vector<std::wstring> args;
    std::u16string expected;
};

class FormatStreamCases : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatStreamCases, FillsThePlaceholders)
{
    const FormatCase& c = GetParam();
    OFormatStringStream s(c.format);
    for (const std::wstring& arg : c.args) {
        s << arg;
        s.NextArg();
    }
    EXPECT_TRUE(s.Complete());
    EXPECT_TRUE(s.good());
    EXPECT_EQ(s.Str().View(), std::u16string_view(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatStreamCases,
    testing::Values(
        FormatCase{"ArgumentsInAnyOrder", u"%2 of %1", {L"5", L"7"}, u"7 of 5"},
        FormatCase{"DoubledPercent", u"100%% of %1", {L"x"}, u"100% of x"},
        FormatCase{"BackslashEndsTheNumber", u"%1\\0", {L"3"}, u"30"},
        FormatCase{"TrailingBackslashDropped", u"<%1\\>", {L"a"}, u"<a>"},
        FormatCase{"RepeatedNumberOnlyTheLaterFilled", u"%1 and %1", {L"a"}, u" and a"},
        FormatCase{"PercentZeroIsLiteral", u"%0 and %1", {L"a"}, u"%0 and a"},
        FormatCase{"PercentWithoutDigitsIsLiteral", u"%x %1%", {L"a"}, u"%x a%"},
        FormatCase{"BlankAfterPercentIsLiteral", u"50% 1 %1", {L"a"}, u"50% 1 a"},
        FormatCase{"LeadingZeros", u"%01-%002", {L"a", L"b"}, u"a-b"},
        FormatCase{"StretchWithoutDoubledPercentUnchanged", u"a%%b%1c%d", {L"X"}, u"a%bXc%d"},
        FormatCase{"RemovalInAFlaggedStretch", u"5%x %% %1", {L"A"}, u"5x % A"},
        FormatCase{"DoubledPercentBetweenPlaceholders", u"%1%%%2", {L"A", L"B"}, u"A%B"},
        FormatCase{"EscapedPlaceholder", u"%%1 is %1", {L"a"}, u"%1 is a"},
        FormatCase{"ArgumentsAfterTheLastAreIgnored", u"[%1]", {L"a", L"b", L"c"}, u"[a]"},
        FormatCase{"UnusedArgumentNumber", u"%3/%1", {L"a", L"b", L"c"}, u"c/a"},
        FormatCase{"NoPlaceholders", u"plain text", {}, u"plain text"},
        FormatCase{"NoPlaceholdersDoubledPercent", u"100%%", {}, u"100%"},
        FormatCase{"LonePercentAtTheEndOfAFlaggedText", u"%%%", {}, u"%"},
        FormatCase{"OutsideTheBasicPlane", u"\U0001F600 %1", {L"\U0001F601"}, u"\U0001F600 \U0001F601"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(OFormatStream, ProducesTheTextWhenTheLastArgumentIsClosed)
{
    OFormatStringStream s(u"%2 of %1");
    s << 5;
    s.NextArg();
    s << 7;
    EXPECT_TRUE(s.Str().IsEmpty());
    EXPECT_FALSE(s.Complete());
    s.NextArg();
    EXPECT_EQ(s.Str().ToUtf8(), "7 of 5");
}

TEST(OFormatStream, FormatWithoutPlaceholdersIsWrittenAtConstructionOnce)
{
    OFormatStringStream s(u"no placeholders here");
    EXPECT_EQ(s.Str().ToUtf8(), "no placeholders here");
    s << 1;
    s.NextArg();
    EXPECT_EQ(s.Str().ToUtf8(), "no placeholders here");
}

TEST(OFormatStream, NumberAbove20StaysLiteralButWaitsForItsArgument)
{
    OFormatStringStream s(u"%1 %25");
    EXPECT_EQ(s.HighestArgument(), 25);
    s << L'a';
    for (int i = 1; i < 25; ++i) {
        s.NextArg();
        EXPECT_TRUE(s.Str().IsEmpty()) << "after argument " << i;
    }
    s.NextArg();
    EXPECT_EQ(s.Str().ToUtf8(), "a %25");
}

TEST(OFormatStream, PlaceholderBeyondTheTwentiethStaysLiteral)
{
    std::u16string format;
    for (int n = 1; n <= 20; ++n) {
        format += u'%';
        for (char digit : std::to_string(n)) format += static_cast<char16_t>(digit);
        format += u' ';
    }
    format += u"%3";  // the 21st placeholder
    OFormatStringStream s(format.c_str());
    std::string expected;
    for (int n = 1; n <= 20; ++n) {
        s << n * 10;
        s.NextArg();
        expected += std::to_string(n * 10) + " ";
    }
    EXPECT_EQ(s.Str().ToUtf8(), expected + "%3");
}

TEST(OFormatStream, NumbersWithManipulators)
{
    OFormatStringStream s(u"%1 V = %2 mmHg");
    s << std::fixed << std::setprecision(3) << 0.5;
    s.NextArg();
    s << std::setprecision(1) << 50.0;
    s.NextArg();
    EXPECT_EQ(s.Str().ToUtf8(), "0.500 V = 50.0 mmHg");
}

TEST(OFormatStream, ArgumentTextIsLimitedTo1024Characters)
{
    OFormatStringStream s(u"%1|%2|%3");
    s << std::wstring(1000, L'a');
    s.NextArg();
    s << std::wstring(24, L'b');
    EXPECT_TRUE(s.good());  // exactly full
    s << L'b';
    EXPECT_TRUE(s.bad());
    s.NextArg();
    s << L"c";
    s.NextArg();
    EXPECT_EQ(s.pcount(), 1024u);
    EXPECT_EQ(s.Str().ToUtf8(), std::string(1000, 'a') + "|" + std::string(24, 'b') + "|");
}

TEST(OFormatStream, FailedWriteToTheTargetSetsBadbit)
{
    KVI::StringStreamBuf small(16);
    KVI::OFormatStream s(u"a format text longer than sixteen characters", &small);
    EXPECT_TRUE(s.bad());
    EXPECT_EQ(small.Str().Length(), 16);
}

// ---------------------------------------------------------------- error objects and messages

constexpr platform::StringResource kHostTexts[] = {
    {57345, u"First own error"},
    {57349, u"The settings were stored by a newer version"},
    {57358, u"Last own error."},
};

class HResultMessageTest : public testing::Test {
protected:
    void SetUp() override { platform::RegisterStringTable(nullptr, kHostTexts, std::size(kHostTexts)); }
    void TearDown() override { platform::UnregisterStringTable(nullptr); }
};

TEST_F(HResultMessageTest, SystemTextsLoseTheLineBreakAndEndInAFullStop)
{
    EXPECT_EQ(KVI::HResultMessage(E_NOTIMPL).ToUtf8(), "Not implemented.");
    EXPECT_EQ(KVI::HResultMessage(E_INVALIDARG).ToUtf8(), "The parameter is incorrect.");
    EXPECT_EQ(KVI::HResultMessage(HResultFromErrno(ENOENT)).ToUtf8(), "No such file or directory.");
    // Facility 7: only the error number counts.
    EXPECT_EQ(KVI::HResultMessage(static_cast<HRESULT>(0x00070002)).ToUtf8(), "No such file or directory.");
}

TEST_F(HResultMessageTest, OwnCodesUseTheHostTexts)
{
    struct Row {
        HRESULT code;
        const char* expected;
    };
    const Row rows[] = {
        {KviError(0), "First own error"},
        {KviError(4), "The settings were stored by a newer version"},
        {KVI_E_VERSION_TOO_NEW, "The settings were stored by a newer version"},
        {STG_E_OLDDLL, "The settings were stored by a newer version"},
        {KviError(18), "Last own error."},
        {KviError(1), ""},   // the host has no text for it
        {KviError(10), ""},  // no resource for the index
        {KviError(19), ""},  // outside the table
        {KVI_E_NO_TEXT, ""},
        {KVI_E_MESSAGE, ""},
        {KVI_E_NO_TEXT2, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(KVI::HResultMessage(r.code).ToUtf8(), r.expected) << std::hex << static_cast<uint32_t>(r.code);
}

TEST_F(HResultMessageTest, CodeWithoutAnyTextNamesTheCode)
{
    EXPECT_EQ(KVI::HResultMessage(static_cast<HRESULT>(0x80991234)).ToUtf8(), "Error 0x80991234.");
}

TEST(XKVI, FromAMessageText)
{
    const XKVI e(String(u"Unit \u00B5V unknown"));
    EXPECT_EQ(e.Code(), KVI_E_MESSAGE);
    EXPECT_STREQ(e.what(), "Unit \xC2\xB5V unknown");
    EXPECT_EQ(e.Message().View(), std::u16string_view(u"Unit \u00B5V unknown"));
}

TEST(XKVI, CopySharesTheMessage)
{
    const XKVI e(String(u"shared"));
    const XKVI copy(e);
    EXPECT_EQ(copy.Code(), e.Code());
    EXPECT_EQ(copy.Message().Rep(), e.Message().Rep());
}

TEST(XKVI, RaiseHResultThrowsTheCodeWithItsMessage)
{
    try {
        RaiseHResult(E_INVALIDARG);
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        const auto* x = dynamic_cast<const XKVI*>(&e);
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->Code(), E_INVALIDARG);
        EXPECT_STREQ(e.what(), "The parameter is incorrect.");
    }
}

TEST(XHResult, CarriesTheCode)
{
    try {
        throw XHResult(CLASS_E_CLASSNOTAVAILABLE);
    } catch (const XHResult& x) {
        EXPECT_EQ(x.Code(), CLASS_E_CLASSNOTAVAILABLE);
    }
}

}  // namespace
