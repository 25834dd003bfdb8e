// The calibration dialog driven offscreen with real typing and clicks, over a test double of the
// host's document (a mV channel with one block of samples) and the host's real framework
// (libzor.so: the scale component, the unit list and the message service). Every message box is
// answered by the test's presenter, which writes down caption, text and icon.
#include <map>

#include "foundation/gui/window_utils.h"
#include "tests/settings_dialog/tessar_dialog_fixture.h"

namespace {

using Tessar::CalibrationData;
using Tessar::TessarDialog;
using TestSupport::TessarDialogTest;
using TestSupport::kRepeated;
using TestSupport::kTooFew;

TEST_F(TessarDialogTest, SetUpGivesCaptionFitNamesAndAnEmptyTableInRawDisplay)
{
    Open();
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Tessar for Channel 3"));
    auto* fit = Control<QComboBox>(TessarDialog::kFitComboId);
    QStringList names;
    for (int i = 0; i < fit->count(); ++i) names << fit->itemText(i);
    EXPECT_EQ(names, (QStringList{"Linear", "Quadratic", "Cubic", "Quartic", "Quintic", "Logarithmic", "Exponential",
                                  "Point to Point"}));
    EXPECT_TRUE(Control<QRadioButton>(TessarDialog::kRawRadioId)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(TessarDialog::kDecimalEditId)->text(), QStringLiteral("3"));
    for (int i = 0; i < TessarDialog::kRows; ++i) EXPECT_TRUE(Raw(i)->text().isEmpty());
    // The pane holds the selection in mV, inset h / 2 + 2 in the frame.
    ASSERT_EQ(dialog_->Pane()->Samples().size(), 400u);
    EXPECT_FLOAT_EQ(dialog_->Pane()->Samples()[399], 399.0f);
    const QRect frame = KVI::FindControl(dialog_.get(), TessarDialog::kPaneFrameId)->geometry();
    const int inset = QFontMetrics(dialog_->font()).height() / 2 + 2;
    EXPECT_EQ(dialog_->PaneRect().top(), frame.top() + inset);
    EXPECT_EQ(dialog_->PaneRect().bottom(), frame.bottom() - inset);
    EXPECT_EQ(dialog_->PaneRect().right(), frame.right());
    // The sunken border around the pane: shadow and text colour above and left, highlight and
    // face colour below and right.
    const QImage picture = dialog_->grab().toImage();
    const QRect r = dialog_->PaneRect();
    const QPalette& p = dialog_->palette();
    const int y = r.center().y();
    const int x = r.center().x();
    EXPECT_EQ(picture.pixel(r.left() - 2, y), p.color(QPalette::Dark).rgb());
    EXPECT_EQ(picture.pixel(r.left() - 1, y), p.color(QPalette::ButtonText).rgb());
    EXPECT_EQ(picture.pixel(x, r.top() - 2), p.color(QPalette::Dark).rgb());
    EXPECT_EQ(picture.pixel(r.right() + 2, y), p.color(QPalette::Light).rgb());
    EXPECT_EQ(picture.pixel(x, r.bottom() + 1), p.color(QPalette::Button).rgb());
    EXPECT_TRUE(shown_.empty());
}

TEST_F(TessarDialogTest, EmptyTableIsQuietInRawAndRefusedWhenCalculatedIsAsked)
{
    Open();
    Click(TessarDialog::kApplyButtonId);
    EXPECT_TRUE(shown_.empty());
    Click(TessarDialog::kCalculatedRadioId);
    ExpectOneStop(kTooFew);
    EXPECT_TRUE(Control<QRadioButton>(TessarDialog::kRawRadioId)->isChecked());
    Click(TessarDialog::kFitButtonId);
    ExpectOneStop(kTooFew);
    Click(TessarDialog::kOkId);
    ExpectOneStop(kTooFew);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), 0);
    EXPECT_TRUE(record_ == CalibrationData(2));
}

TEST_F(TessarDialogTest, RowsInAnyOrderWithGapsAreStoredSortedInBaseUnits)
{
    Open();
    TypeRow(9, "2", "200");
    TypeRow(1, "0", "0");
    TypeRow(5, "1 mV", "100");
    TypeRow(7, "junk", "5");  // unreadable: skipped, not reported
    Click(TessarDialog::kOkId);
    EXPECT_TRUE(shown_.empty());
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(record_.rawValues_, (std::vector<double>{0.0, 0.001, 0.002}));
    EXPECT_EQ(record_.calibratedValues_, (std::vector<double>{0.0, 100.0, 200.0}));
    EXPECT_TRUE(record_.calculatedView_);
    ASSERT_EQ(record_.coefficients_.size(), 2u);
    EXPECT_NEAR(record_.coefficients_[1], 100000.0, 1e-6);
    // Closed from the raw display: the limits are those of the calibrated selection (0 V to
    // 0.399 V calibrated: 0 to 39900) around its centre, with 1.25 times its half spread.
    EXPECT_NEAR(record_.paneTop_, 19950 + 1.25 * 19950, 0.01);
    EXPECT_NEAR(record_.paneBottom_, 19950 - 1.25 * 19950, 0.01);
}

TEST_F(TessarDialogTest, RepeatedRawValueKeepsTheLaterRowInRawAndIsRefusedInCalculated)
{
    Open();
    TypeRow(0, "1", "10");
    TypeRow(3, "1", "20");
    TypeRow(4, "2", "30");
    Click(TessarDialog::kApplyButtonId);
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(dialog_->WorkingCopy().rawValues_, (std::vector<double>{0.001, 0.002}));
    EXPECT_EQ(dialog_->WorkingCopy().calibratedValues_, (std::vector<double>{20.0, 30.0}));
    Click(TessarDialog::kCalculatedRadioId);
    ExpectOneStop(kRepeated);
    EXPECT_TRUE(Control<QRadioButton>(TessarDialog::kRawRadioId)->isChecked());
    Click(TessarDialog::kOkId);
    ExpectOneStop(kRepeated);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_TRUE(record_.rawValues_.empty());
}

TEST_F(TessarDialogTest, BareNumberGainsTheSourceUnitAndIsStoredInVolts)
{
    Open();
    Type(Raw(0), "12.5");
    EXPECT_EQ(Raw(0)->text(), QStringLiteral("12.5 mV"));
    Type(Raw(1), "0.05 V");
    EXPECT_EQ(Raw(1)->text(), QStringLiteral("50 mV"));
    Type(Cal(0), "1");
    Type(Cal(1), "4");
    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(record_.rawValues_, (std::vector<double>{0.0125, 0.05}));
}

TEST_F(TessarDialogTest, DecimalPlacesAreClampedToZeroToSix)
{
    Open();
    auto* places = Control<QLineEdit>(TessarDialog::kDecimalEditId);
    // As wide as the template makes it (32 dialog units of the dialog's font): room for its
    // digit, far narrower than the Fit list above it.
    EXPECT_EQ(places->width(), KVI::DialogUnitsX(dialog_->font(), TessarDialog::kDecimalEditWidth));
    EXPECT_LT(places->width(), Control<QComboBox>(TessarDialog::kFitComboId)->width() / 2);
    EXPECT_GT(places->width(), 3 * places->fontMetrics().horizontalAdvance(QLatin1Char('6')));
    QTest::mouseClick(places, Qt::LeftButton);
    places->selectAll();
    QTest::keyClick(places, Qt::Key_9);
    EXPECT_EQ(places->text(), QStringLiteral("6"));
    EXPECT_EQ(dialog_->WorkingCopy().decimalPlaces_, 6);
    QTest::keyClicks(places, "-");  // the digits-only edit refuses it
    EXPECT_EQ(places->text(), QStringLiteral("6"));
    places->setText(QStringLiteral("-3"));
    EXPECT_EQ(places->text(), QStringLiteral("0"));
    auto* up = KVI::FindControl(dialog_.get(), TessarDialog::kUpDownId)->findChild<QAbstractButton*>("spinUp");
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(places->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog_->WorkingCopy().decimalPlaces_, 1);
}

TEST_F(TessarDialogTest, RowButtonsTakeThePaneValueAndMoveTheFocus)
{
    Open();
    SelectSpan(0.5, 0.75);
    const double mean = dialog_->Pane()->CurrentValue();  // mV
    ASSERT_GT(mean, 150.0);
    QTest::mouseClick(dialog_->RowButton(3), Qt::LeftButton);
    EXPECT_EQ(Raw(3)->text(), KVI::ToQString(KVI::UnitValue::Normalised(mean / 1000, KVI::String(u"V")).Format(-3)));
    EXPECT_EQ(QApplication::focusWidget(), Cal(3));
    EXPECT_EQ(Cal(3)->selectedText(), Cal(3)->text());

    // Double click on the pane: the focused row (raw edit of row 4) takes the value.
    QTest::mouseClick(Raw(4), Qt::LeftButton);
    QTest::mouseDClick(dialog_->Pane(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return !Raw(4)->text().isEmpty(); }));

    // Calculated display: row 11's button writes the calibrated edit and moves to row 0.
    Raw(4)->clear();  // rows 3 and 4 hold the same raw value
    TypeRow(0, "0", "0");
    TypeRow(1, "400", "4");
    Click(TessarDialog::kCalculatedRadioId);
    ASSERT_TRUE(shown_.empty());
    ASSERT_TRUE(dialog_->WorkingCopy().calculatedView_);
    SelectSpan(0.0, 0.5);
    QTest::mouseClick(dialog_->RowButton(11), Qt::LeftButton);
    EXPECT_FALSE(Cal(11)->text().isEmpty());
    EXPECT_TRUE(Raw(11)->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), Raw(0));
}

TEST_F(TessarDialogTest, CancelLeavesTheRecordUntouchedAfterFitAndOkStoresTheCalculatedView)
{
    record_.rawValues_ = {0.0, 0.1};
    record_.calibratedValues_ = {0.0, 10.0};
    const CalibrationData before = record_;
    Open();
    EXPECT_EQ(Raw(1)->text(), QStringLiteral("100 mV"));
    TypeRow(2, "300", "77");
    // Fi&t... opens the fit report on the working copy; choosing Quadratic there and pressing
    // OK writes the new fit back into the dialog's working copy.
    bool reportShown = false;
    TestSupport::AnswerNextModal<Tessar::TessReportDialog>([&](Tessar::TessReportDialog* report) {
        reportShown = true;
        auto* combo = KVI::FindControl<QComboBox>(report, 308);
        ASSERT_NE(combo, nullptr);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::mouseClick(KVI::FindControl<QPushButton>(report, 1), Qt::LeftButton);
    });
    Click(TessarDialog::kFitButtonId);
    EXPECT_TRUE(reportShown);
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(Control<QRadioButton>(TessarDialog::kCalculatedRadioId)->isChecked());
    EXPECT_EQ(dialog_->WorkingCopy().rawValues_.size(), 3u);
    EXPECT_EQ(dialog_->WorkingCopy().fitKind_, 1);
    EXPECT_EQ(dialog_->WorkingCopy().coefficients_.size(), 3u);
    EXPECT_EQ(Control<QComboBox>(TessarDialog::kFitComboId)->currentIndex(), 1);
    Click(TessarDialog::kCancelId);
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_TRUE(record_ == before);
    EXPECT_FALSE(record_.calculatedView_);
}

TEST_F(TessarDialogTest, MoreThanTwelveStoredPointsAreDroppedOnlyAfterAWarning)
{
    for (int i = 0; i < 14; ++i) {
        record_.rawValues_.push_back(i * 0.01);
        record_.calibratedValues_.push_back(i);
    }
    Open();
    EXPECT_EQ(Raw(11)->text(), QStringLiteral("110 mV"));
    Click(TessarDialog::kOkId);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].icon, KVI::MessageIcon::Warning);
    EXPECT_TRUE(shown_[0].text.contains("14 points"));
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(record_.rawValues_.size(), 14u);
    Click(TessarDialog::kOkId);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(record_.rawValues_.size(), 12u);
}

// Pictures of the dialog in both displays with points and a span, and no text cut.
TEST_F(TessarDialogTest, ScreenshotsInRawAndCalculatedDisplayWithNothingClipped)
{
    record_.unit_ = KVI::UnitInfo{0, 8, KVI::String(u"mmHg")};
    Open();
    TypeRow(0, "0", "0");
    TypeRow(1, "200", "50");
    TypeRow(2, "400", "100");
    SelectSpan(0.3, 0.6);
    dialog_->grab().save(TestSupport::TestOutputPath("tessar_dialog_raw.png"));
    Click(TessarDialog::kCalculatedRadioId);
    ASSERT_TRUE(shown_.empty());
    // The pane now holds the selection through the fit: 0.399 V gives 99.75 mmHg.
    ASSERT_EQ(dialog_->Pane()->Samples().size(), 400u);
    EXPECT_NEAR(dialog_->Pane()->Samples()[399], 99.75, 1e-4);
    EXPECT_NEAR(dialog_->RawPointsTop(), 0.2 + 1.25 * 0.2, 1e-12);
    EXPECT_NEAR(dialog_->RawPointsBottom(), 0.2 - 1.25 * 0.2, 1e-12);
    SelectSpan(0.3, 0.6);
    dialog_->grab().save(TestSupport::TestOutputPath("tessar_dialog_calculated.png"));
    for (QWidget* w : dialog_->findChildren<QWidget*>()) {
        if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w))) continue;
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
    }
}

}  // namespace

namespace {

TEST_F(TessarDialogTest, ChangingTheFitKindRefitsAndAsksForEnoughPoints)
{
    Open();
    TypeRow(0, "0", "0");
    TypeRow(1, "400", "4");
    Click(TessarDialog::kCalculatedRadioId);
    ASSERT_TRUE(shown_.empty());
    auto* fit = Control<QComboBox>(TessarDialog::kFitComboId);
    fit->setFocus();
    QTest::keyClick(fit, Qt::Key_Down);  // Quadratic needs three pairs
    ExpectOneStop(kTooFew);
    EXPECT_EQ(dialog_->WorkingCopy().fitKind_, 1);
    EXPECT_TRUE(Control<QRadioButton>(TessarDialog::kRawRadioId)->isChecked());
    // With Raw checked the same change re-fits quietly.
    QTest::keyClick(fit, Qt::Key_Up);
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(Control(TessarDialog::kCalculatedRadioId)->isEnabled());
}

TEST_F(TessarDialogTest, RowButtonShowsThePressedBitmapWhileDown)
{
    Open();
    Tessar::TSICNButton* button = dialog_->RowButton(0);
    const QImage up = button->grab().toImage();
    button->setDown(true);
    const QImage down = button->grab().toImage();
    button->setDown(false);
    EXPECT_GE(button->width(), Tessar::TSICNButton::kBitmapSize);
    EXPECT_NE(up, down);
    EXPECT_EQ(button->grab().toImage(), up);
}

// Help asks the host's help service for the set-up page, which opens the host's help window.
TEST_F(TessarDialogTest, HelpOpensTheHostsHelpWindow)
{
    Open();
    const auto others = [&] {
        std::vector<QWidget*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != dialog_.get()) found.push_back(w);
        return found;
    };
    ASSERT_TRUE(others().empty());
    Click(TessarDialog::kHelpId);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !others().empty(); }));
    for (QWidget* w : others()) w->close();
    EXPECT_TRUE(shown_.empty());
}

// Choosing another unit changes the working copy's unit; values already typed stay as they are.
TEST_F(TessarDialogTest, ChoosingAUnitKeepsTheTypedValues)
{
    units_->Units().push_back(KVI::UnitInfo{0, 8, KVI::String(u"Pa")});
    record_.unit_ = KVI::UnitInfo{0, 8, KVI::String(u"mmHg")};
    Open();
    TypeRow(0, "1", "5");
    auto* units = KVI::FindControl<QComboBox>(dialog_.get(), 101);
    units->setFocus();
    QTest::keyClick(units, Qt::Key_Down);
    EXPECT_EQ(KVI::ToQString(dialog_->WorkingCopy().unit_.name_), QStringLiteral("Pa"));
    EXPECT_EQ(Cal(0)->text(), QStringLiteral("5"));
    EXPECT_EQ(Raw(0)->text(), QStringLiteral("1 mV"));
}

}  // namespace

// Every access key of the dialog's own controls is a different letter: a shared one would take
// the keyboard to the first control only.
TEST_F(TessarDialogTest, EveryAccessKeyIsItsOwn)
{
    Open();
    std::map<QChar, QString> keys;
    const auto note = [&](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= text.size() || text[at + 1] == QLatin1Char('&')) return;
        const QChar key = text[at + 1].toLower();
        const auto [it, fresh] = keys.emplace(key, text);
        EXPECT_TRUE(fresh) << "Alt+" << QString(key).toStdString() << " is both \"" << it->second.toStdString()
                           << "\" and \"" << text.toStdString() << "\"";
    };
    for (const QAbstractButton* b : dialog_->findChildren<QAbstractButton*>()) note(b->text());
    for (const QLabel* l : dialog_->findChildren<QLabel*>()) note(l->text());
    EXPECT_GE(keys.size(), 8u);
}
