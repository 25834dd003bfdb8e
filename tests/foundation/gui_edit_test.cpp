#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "foundation/gui/control_id.h"
#include "foundation/gui/validating_edit.h"

namespace {

struct ValidCase {
    const char* name;
    const char16_t* text;
    bool valid;
};

class IntEditIsValid : public testing::TestWithParam<ValidCase> {};

TEST_P(IntEditIsValid, AcceptsOnlyAWholeNumberThatEndsTheText)
{
    const ValidCase& c = GetParam();
    KVI::IntEdit edit;
    edit.setText(QString::fromUtf16(c.text));  // setText bypasses the typing validator
    EXPECT_EQ(edit.IsValid(), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    IntEdit, IntEditIsValid,
    testing::Values(ValidCase{"Digits", u"12", true}, ValidCase{"LeadingBlank", u" 2", true},
                    ValidCase{"LeadingTab", u"\t7", true}, ValidCase{"Signed", u"-3", true},
                    ValidCase{"Plus", u"+4", true}, ValidCase{"BeyondTheRange", u"9", true},
                    ValidCase{"TrailingBlank", u"2 ", false}, ValidCase{"Exponent", u"1e3", false},
                    ValidCase{"Empty", u"", false}, ValidCase{"Letters", u"abc", false},
                    ValidCase{"SignAlone", u"-", false}, ValidCase{"BlanksAlone", u"   ", false},
                    ValidCase{"Decimal", u"1.5", false},
                    ValidCase{"TwentyNineDigits", u"12345678901234567890123456789", true},
                    ValidCase{"ThirtyDigits", u"123456789012345678901234567890", false},
                    ValidCase{"TwentyEightDigitsAndALetter", u"1234567890123456789012345678x", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntEdit, TypingKeepsDigitsOnlyAndReachesTheRangeCheckUnclamped)
{
    QWidget dialog;
    auto* edit = new KVI::IntEdit(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(KVI::ControlId(edit), KVI::IntEdit::kControlId);

    QTest::keyClicks(edit, QStringLiteral("a9 b-"));
    EXPECT_EQ(edit->text(), QStringLiteral("9"));
    EXPECT_TRUE(edit->IsValid());
    EXPECT_FALSE(edit->IsInRange());  // 9 is the dialog's to clamp

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("6"));
    EXPECT_TRUE(edit->IsInRange());
    edit->setText(QStringLiteral(" 0"));
    EXPECT_TRUE(edit->IsInRange());
    edit->setText(QStringLiteral("-1"));
    EXPECT_FALSE(edit->IsInRange());
}

TEST(IntEdit, BindsToTheTemplatesControlAndLimitsTextTo255)
{
    QWidget dialog;
    auto* placeholder = new QLineEdit(&dialog);
    placeholder->setGeometry(10, 20, 40, 22);
    KVI::SetControlId(placeholder, 207);

    auto* edit = new KVI::IntEdit(&dialog);
    EXPECT_EQ(KVI::FindControl(&dialog, 207), edit);
    EXPECT_EQ(edit->geometry(), QRect(10, 20, 40, 22));
    EXPECT_EQ(dialog.findChildren<QLineEdit*>().size(), 1);

    EXPECT_EQ(edit->maxLength(), KVI::ValidatingEdit::kTextLimit);
    edit->setText(QString(300, QLatin1Char('7')));
    EXPECT_EQ(edit->text().size(), 255);
    EXPECT_FALSE(edit->IsValid());  // longer than the 29 characters read
}

}  // namespace
