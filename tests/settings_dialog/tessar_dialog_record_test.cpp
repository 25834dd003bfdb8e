// What the calibration dialog keeps with a calibration, driven offscreen with real clicks and keys:
// where a raw value taken from the selection came from (through the stored form and back), the
// Details dialog and its zero offset, the expiry warning, the calibration date on OK, and the
// points and calibration files. Expected values are computed here from the test's own samples.
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "calibration/calibration_dates.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_fit.h"
#include "calibration/tessar_settings.h"
#include "settings_dialog/details_dlg.h"
#include "tests/settings_dialog/tessar_dialog_fixture.h"
#include "tests/support/memory_object_stream.h"

namespace {

using Tessar::CalibrationData;
using Tessar::DetailsDlg;
using Tessar::PointProvenance;
using Tessar::TessarDialog;
using TestSupport::kTooFew;

QString TodayText() { return QString::fromStdString(Tessar::FormatIsoDate(Tessar::Today())); }

class TessarRecordTest : public TestSupport::TessarDialogTest {
protected:
    // The next file dialog gets path typed as its file name and its accept button clicked.
    void ChooseFile(const QString& path)
    {
        TestSupport::AnswerNextModal<QFileDialog>([path](QFileDialog* d) {
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(path);
            auto* box = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            ASSERT_NE(box, nullptr);
            QAbstractButton* accept = box->button(QDialogButtonBox::Open);
            if (!accept) accept = box->button(QDialogButtonBox::Save);
            ASSERT_NE(accept, nullptr);
            QTest::mouseClick(accept, Qt::LeftButton);
        });
    }
    void Import(const QString& path)
    {
        ChooseFile(path);
        Click(TessarDialog::kImportButtonId);
    }
    void Export(const QString& path)
    {
        ChooseFile(path);
        Click(TessarDialog::kExportButtonId);
    }
    // Opens Details, lets act work on it, and closes it with the button of id (OK or Cancel).
    void InDetails(const std::function<void(DetailsDlg*)>& act, int closeWith = DetailsDlg::kOkId)
    {
        bool shown = false;
        TestSupport::AnswerNextModal<DetailsDlg>([&](DetailsDlg* d) {
            shown = true;
            act(d);
            if (d->isVisible()) QTest::mouseClick(KVI::FindControl<QPushButton>(d, closeWith), Qt::LeftButton);
        });
        Click(TessarDialog::kDetailsButtonId);
        EXPECT_TRUE(shown);
    }
    static void TypeInto(QLineEdit* edit, const QString& text)
    {
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    template <class T = QLineEdit>
    static T* In(QWidget* d, int id)
    {
        return KVI::FindControl<T>(d, id);
    }
    void Reopen()
    {
        dialog_.reset();
        Open();
    }
    std::vector<QString> Rows() const
    {
        std::vector<QString> texts;
        for (int i = 0; i < TessarDialog::kRows; ++i) texts.push_back(Raw(i)->text() + "|" + Cal(i)->text());
        return texts;
    }
    QTemporaryDir dir_;
};

// Sample k of the channel is k mV; the pane holds it as k.
double SampleVolts(int64_t k) { return double(float(k) / 1000.0f); }

TEST_F(TessarRecordTest, TakenValueKeepsItsSpanThroughOkSaveAndLoadAndTypingForgetsIt)
{
    Open();
    SelectSpan(0.5, 0.75);
    const int64_t first = dialog_->Pane()->FirstSpanIndex(), last = dialog_->Pane()->LastSpanIndex();
    ASSERT_GT(last, first + 10);
    QTest::mouseClick(dialog_->RowButton(3), Qt::LeftButton);
    Type(Cal(3), "20");
    TypeRow(0, "0", "0");
    const PointProvenance& p = dialog_->RowProvenance(3);
    const int64_t n = last - first + 1;
    EXPECT_TRUE(p.measured);
    EXPECT_EQ(p.count, n);
    EXPECT_EQ(p.block, 0);
    EXPECT_EQ(p.firstSample, first);
    EXPECT_EQ(p.lastSample, last + 1);
    // Consecutive integers (in mV): mean (first + last) / 2, sample variance n (n + 1) / 12.
    EXPECT_NEAR(p.mean, (first + last) / 2.0 * 1e-3, 1e-9);
    EXPECT_NEAR(p.sd, std::sqrt(double(n) * double(n + 1) / 12.0) * 1e-3, 1e-9);
    EXPECT_FALSE(dialog_->RowProvenance(0).measured);

    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    ASSERT_EQ(record_.provenance_.size(), 2u);
    EXPECT_FALSE(record_.provenance_[0].measured);
    const PointProvenance& kept = record_.provenance_[1];
    EXPECT_TRUE(kept.measured);
    EXPECT_EQ(kept.mean, record_.rawValues_[1]) << "the point's raw value";
    EXPECT_EQ(kept.sd, p.sd);
    EXPECT_EQ(kept.firstSample, first);

    // The stored form keeps it.
    TestSupport::MemoryObjectStream stream;
    {
        platform::ComPtr<Tessar::TessarSettings> saved(new Tessar::TessarSettings(record_));
        ASSERT_EQ(saved->Save(stream.Out()), S_OK);
    }
    platform::ComPtr<Tessar::TessarSettings> loaded(new Tessar::TessarSettings());
    stream.Rewind();
    ASSERT_EQ(loaded->Load(stream.In()), S_OK);
    ASSERT_TRUE(loaded->Data() == record_);
    record_ = loaded->Data();
    Reopen();
    EXPECT_EQ(dialog_->RowProvenance(1), kept);
    EXPECT_FALSE(dialog_->RowProvenance(0).measured);

    // Typing in the raw edit forgets it; writing by the dialog (leaving the edit) does not.
    QTest::mouseClick(Raw(1), Qt::LeftButton);
    QTest::keyClick(Raw(1), Qt::Key_Tab);
    EXPECT_EQ(dialog_->RowProvenance(1), kept);
    Type(Raw(1), "250");
    EXPECT_FALSE(dialog_->RowProvenance(1).measured);
    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_TRUE(record_.provenance_.empty());
}

TEST_F(TessarRecordTest, SpanInALaterBlockKeepsThatBlockAndItsSampleOffsets)
{
    std::vector<float> block0(100, 0.0f), block1;
    for (int k = 0; k < 300; ++k) block1.push_back(float(k) / 1000.0f);
    doc_.SetChannel(2, {block0, block1});
    doc_.SetSelection({0, 40}, {1, 300});  // 60 samples of block 0, then 300 of block 1
    Open();
    ASSERT_EQ(dialog_->Pane()->Samples().size(), 360u);
    SelectSpan(0.5, 0.75);
    const int64_t first = dialog_->Pane()->FirstSpanIndex(), last = dialog_->Pane()->LastSpanIndex();
    ASSERT_GT(first, 60);
    QTest::mouseClick(dialog_->RowButton(0), Qt::LeftButton);
    const PointProvenance& p = dialog_->RowProvenance(0);
    EXPECT_EQ(p.block, 1);
    EXPECT_EQ(p.firstSample, first - 60);
    EXPECT_EQ(p.lastSample, last - 60 + 1);
    EXPECT_NEAR(p.mean, ((first - 60) + (last - 60)) / 2.0 * 1e-3, 1e-9);
}

TEST_F(TessarRecordTest, DetailsEditsEveryFieldRefusesBadDatesAndCancelChangesNothing)
{
    record_.rawValues_ = {0.0, 0.2, 0.4};
    record_.calibratedValues_ = {0.0, 4.0, 16.0};
    record_.provenance_ = {PointProvenance{}, PointProvenance{true, 0.2, 0.001, 50, 0, 10, 60}, PointProvenance{}};
    Open();
    const CalibrationData before = dialog_->WorkingCopy();
    // Cancel after edits: nothing changes.
    InDetails(
        [&](DetailsDlg* d) {
            TypeInto(In(d, DetailsDlg::kCertificateEditId), "changed");
            QTest::keyClick(In<QComboBox>(d, DetailsDlg::kPolicyComboId), Qt::Key_Down);
        },
        DetailsDlg::kCancelId);
    EXPECT_TRUE(dialog_->WorkingCopy() == before);

    InDetails([&](DetailsDlg* d) {
        EXPECT_EQ(In<QLabel>(d, DetailsDlg::kSdCountLabelId)->text(), QStringLiteral("1 of 3 points have an SD"));
        EXPECT_EQ(In<QComboBox>(d, DetailsDlg::kPolicyComboId)->currentIndex(), 0);
        auto* policy = In<QComboBox>(d, DetailsDlg::kPolicyComboId);
        policy->setFocus();
        QTest::keyClick(policy, Qt::Key_Down);
        QTest::keyClick(policy, Qt::Key_Down);  // Blank
        auto* weights = In<QComboBox>(d, DetailsDlg::kWeightsComboId);
        weights->setFocus();
        QTest::keyClick(weights, Qt::Key_Down);
        // A day that does not exist is refused with a message; the dialog stays.
        TypeInto(In(d, DetailsDlg::kDateEditId), "2026-02-30");
        QTest::mouseClick(In<QPushButton>(d, DetailsDlg::kOkId), Qt::LeftButton);
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(shown_[0].caption, QStringLiteral("Tessar"));
        EXPECT_EQ(shown_[0].icon, KVI::MessageIcon::Stop);
        EXPECT_TRUE(shown_[0].text.contains("2026-02-30") && shown_[0].text.contains("YYYY-MM-DD"));
        EXPECT_TRUE(d->isVisible());
        shown_.clear();
        TypeInto(In(d, DetailsDlg::kDateEditId), "2026-03-01");
        TypeInto(In(d, DetailsDlg::kValidityEditId), "abc");
        QTest::mouseClick(In<QPushButton>(d, DetailsDlg::kOkId), Qt::LeftButton);
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_TRUE(shown_[0].text.contains("abc"));
        shown_.clear();
        TypeInto(In(d, DetailsDlg::kValidityEditId), "365");
        EXPECT_EQ(In<QLabel>(d, DetailsDlg::kDueSummaryLabelId)->text(), QStringLiteral("Due 2027-03-01"));
        TypeInto(In(d, DetailsDlg::kValidityEditId), "");
        TypeInto(In(d, DetailsDlg::kDueEditId), "2026-04-01");
        EXPECT_TRUE(In<QLabel>(d, DetailsDlg::kDueSummaryLabelId)->text().startsWith("Due 2026-04-01"));
        TypeInto(In(d, DetailsDlg::kCertificateEditId), "CERT-7/26");
        TypeInto(In(d, DetailsDlg::kOperatorEditId), "A. Tester");
        auto* note = In<QPlainTextEdit>(d, DetailsDlg::kNoteEditId);
        QTest::mouseClick(note->viewport(), Qt::LeftButton);
        QTest::keyClicks(note, "line one");
        QTest::keyClick(note, Qt::Key_Return);
        QTest::keyClicks(note, "line two");
    });
    EXPECT_TRUE(shown_.empty());
    const CalibrationData& w = dialog_->WorkingCopy();
    EXPECT_EQ(w.rangePolicy_, int32_t(Tessar::RangePolicy::Blank));
    EXPECT_EQ(w.weights_, int32_t(Tessar::PointWeights::InverseVariance));
    EXPECT_EQ(KVI::ToQString(w.calibrationDate_), QStringLiteral("2026-03-01"));
    EXPECT_EQ(KVI::ToQString(w.dueDate_), QStringLiteral("2026-04-01"));
    EXPECT_EQ(w.validityDays_, 0);
    EXPECT_EQ(KVI::ToQString(w.certificate_), QStringLiteral("CERT-7/26"));
    EXPECT_EQ(KVI::ToQString(w.operator_), QStringLiteral("A. Tester"));
    EXPECT_EQ(KVI::ToQString(w.note_), QStringLiteral("line one\nline two"));
    EXPECT_TRUE(record_.calibrationDate_.IsEmpty()) << "only OK of the calibration dialog writes the record";

    // The user set the date: OK keeps it although the fit's inputs changed.
    TypeRow(3, "300", "9");
    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(KVI::ToQString(record_.calibrationDate_), QStringLiteral("2026-03-01"));
    EXPECT_EQ(KVI::ToQString(record_.note_), QStringLiteral("line one\nline two"));
}

// Zero shifts the calibration so that the mean of the span's calibrated values reads the typed
// value: with a quadratic curve that mean differs from the curve at the span's mean raw value.
TEST_F(TessarRecordTest, ZeroShiftsTheSpansCalibratedMeanToTheTypedValueAndClearUndoesIt)
{
    Open();
    // Without a fit Zero says what is missing and changes nothing.
    InDetails([&](DetailsDlg* d) { QTest::mouseClick(In<QPushButton>(d, DetailsDlg::kZeroButtonId), Qt::LeftButton); });
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, QString::fromUtf16(kTooFew));
    shown_.clear();
    EXPECT_EQ(dialog_->WorkingCopy().zeroOffset_, 0.0);

    TypeRow(0, "0", "0");
    TypeRow(1, "200", "4");
    TypeRow(2, "400", "16");
    auto* fit = Control<QComboBox>(TessarDialog::kFitComboId);
    fit->setFocus();
    QTest::keyClick(fit, Qt::Key_Down);  // Quadratic: 100 V^2
    SelectSpan(0.5, 0.75);
    const int64_t first = dialog_->Pane()->FirstSpanIndex(), last = dialog_->Pane()->LastSpanIndex();
    long double sum = 0, rawSum = 0;
    for (int64_t k = first; k <= last; ++k) {
        const long double v = SampleVolts(k);
        sum += 100 * v * v;
        rawSum += v;
    }
    const double n = double(last - first + 1);
    const double mean = double(sum / n);
    const double atMeanRaw = double(100 * (rawSum / n) * (rawSum / n));
    ASSERT_GT(std::abs(mean - atMeanRaw), 1e-3) << "the two readings must differ for the test to tell them apart";

    InDetails([&](DetailsDlg* d) {
        TestSupport::AnswerNextModal<QInputDialog>([](QInputDialog* ask) {
            auto* edit = ask->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text(), QStringLiteral("0"));
            edit->selectAll();
            QTest::keyClicks(edit, "1.5");
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::mouseClick(In<QPushButton>(d, DetailsDlg::kZeroButtonId), Qt::LeftButton);
        EXPECT_TRUE(In<QPushButton>(d, DetailsDlg::kClearButtonId)->isEnabled());
    });
    EXPECT_TRUE(shown_.empty());
    EXPECT_NEAR(dialog_->WorkingCopy().zeroOffset_, 1.5 - mean, 1e-9);
    // The calculated pane shows the channel as it will be computed: the span now reads 1.5.
    Click(TessarDialog::kCalculatedRadioId);
    ASSERT_TRUE(shown_.empty());
    SelectSpan(0.5, 0.75);
    EXPECT_NEAR(dialog_->Pane()->CurrentValue(), 1.5, 1e-4);

    InDetails([&](DetailsDlg* d) {
        QTest::mouseClick(In<QPushButton>(d, DetailsDlg::kClearButtonId), Qt::LeftButton);
        EXPECT_EQ(In(d, DetailsDlg::kOffsetEditId)->text(), QStringLiteral("0"));
    });
    EXPECT_EQ(dialog_->WorkingCopy().zeroOffset_, 0.0);
    SelectSpan(0.5, 0.75);
    EXPECT_NEAR(dialog_->Pane()->CurrentValue(), mean, 1e-4);
}

TEST_F(TessarRecordTest, OpeningAnExpiredCalibrationWarnsOnceWithItsDueDay)
{
    struct Case {
        const char* name;
        const char16_t* date;
        const char16_t* due;
        int32_t validity;
        const char* warnedDue;  // empty: no warning
    } cases[] = {
        {"validity ran out", u"2020-01-01", u"", 30, "2020-01-31"},
        {"due date passed", u"2020-01-01", u"2021-06-30", 0, "2021-06-30"},
        {"due far ahead", u"2020-01-01", u"2999-01-01", 0, ""},
        {"no due day", u"2020-01-01", u"", 0, ""},
    };
    for (const Case& c : cases) {
        record_ = CalibrationData(2);
        record_.calibrationDate_ = KVI::String(c.date);
        record_.dueDate_ = KVI::String(c.due);
        record_.validityDays_ = c.validity;
        Reopen();
        QTest::qWait(50);
        if (*c.warnedDue) {
            ASSERT_TRUE(TestSupport::WaitUntil([&] { return !shown_.empty(); })) << c.name;
            ASSERT_EQ(shown_.size(), 1u) << c.name;
            EXPECT_EQ(shown_[0].caption, QStringLiteral("Tessar")) << c.name;
            EXPECT_EQ(shown_[0].icon, KVI::MessageIcon::Warning) << c.name;
            EXPECT_TRUE(shown_[0].text.contains(c.warnedDue)) << c.name;
            EXPECT_TRUE(shown_[0].text.contains("renew")) << c.name;
        } else {
            EXPECT_TRUE(shown_.empty()) << c.name;
        }
        shown_.clear();
        // Shown again (hidden and shown): no second warning.
        dialog_->hide();
        dialog_->show();
        QTest::qWait(50);
        EXPECT_TRUE(shown_.empty()) << c.name;
    }
}

TEST_F(TessarRecordTest, OkDatesTheCalibrationWhenTheFitsInputsChangedOrItHadNoDate)
{
    struct Case {
        const char* name;
        const char16_t* date;                 // the record's date before
        std::function<void()> act;            // what the user does
        QString expected;
    };
    const auto typeTwo = [this] {
        TypeRow(0, "0", "0");
        TypeRow(1, "100", "5");
    };
    const std::vector<Case> cases = {
        {"new points", u"", typeTwo, TodayText()},
        {"unchanged, dated", u"2020-05-05", [] {}, QStringLiteral("2020-05-05")},
        {"unchanged, undated", u"", [] {}, TodayText()},
        {"another point", u"2020-05-05", [this] { TypeRow(2, "300", "7"); }, TodayText()},
    };
    for (const Case& c : cases) {
        record_ = CalibrationData(2);
        record_.rawValues_ = {0.0, 0.1};
        record_.calibratedValues_ = {0.0, 5.0};
        record_.calibrationDate_ = KVI::String(c.date);
        Reopen();
        c.act();
        Click(TessarDialog::kOkId);
        ASSERT_EQ(dialog_->result(), QDialog::Accepted) << c.name;
        EXPECT_EQ(KVI::ToQString(record_.calibrationDate_), c.expected) << c.name;
    }
    // A changed fit kind alone dates it too.
    record_ = CalibrationData(2);
    record_.rawValues_ = {0.0, 0.1, 0.2};
    record_.calibratedValues_ = {0.0, 5.0, 7.0};
    record_.calibrationDate_ = KVI::String(u"2020-05-05");
    Reopen();
    auto* fit = Control<QComboBox>(TessarDialog::kFitComboId);
    fit->setFocus();
    QTest::keyClick(fit, Qt::Key_Down);
    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(record_.fitKind_, 1);
    EXPECT_EQ(KVI::ToQString(record_.calibrationDate_), TodayText());
}

TEST_F(TessarRecordTest, PointsFileRoundTripKeepsEveryDigitAndTheStandardDeviation)
{
    Open();
    SelectSpan(0.2, 0.4);
    QTest::mouseClick(dialog_->RowButton(1), Qt::LeftButton);
    Type(Cal(1), "12.345678901");
    TypeRow(0, "0.1234567891 mV", "0");
    TypeRow(2, "399", "40");
    const QString path = dir_.filePath("points.csv");
    Export(path);
    ASSERT_TRUE(shown_.empty()) << shown_.front().text.toStdString();
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().substr(0, text.str().find('\n')), "Raw (mV),Calibrated,SD (mV)");
    const CalibrationData exported = dialog_->WorkingCopy();
    ASSERT_EQ(exported.rawValues_.size(), 3u);

    record_ = CalibrationData(2);
    Reopen();
    Import(path);
    ASSERT_TRUE(shown_.empty()) << shown_.front().text.toStdString();
    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(record_.rawValues_, exported.rawValues_);
    EXPECT_EQ(record_.calibratedValues_, exported.calibratedValues_);
    // Sorted by raw value: the typed 0.1234567891 mV first, then the span's mean.
    EXPECT_EQ(record_.rawValues_[0], 0.0001234567891);
    EXPECT_EQ(record_.calibratedValues_[1], 12.345678901);
    ASSERT_EQ(record_.provenance_.size(), 3u);
    EXPECT_EQ(record_.provenance_[1].sd, exported.provenance_[1].sd);
    EXPECT_EQ(record_.provenance_[1].block, -1) << "a file does not say where the span was";
}

TEST_F(TessarRecordTest, CalibrationFileIsAppliedExactlyOnThisChannel)
{
    CalibrationData source(5);
    source.fitKind_ = 1;
    source.rawValues_ = {0.0, 0.15, 0.3};
    source.calibratedValues_ = {1.0, 2.5, 7.0};
    source.provenance_ = {PointProvenance{}, PointProvenance{true, 0.15, 2e-4, 80, 3, 100, 180}, PointProvenance{}};
    source.rangePolicy_ = int32_t(Tessar::RangePolicy::Clamp);
    source.zeroOffset_ = -0.25;
    source.calibrationDate_ = KVI::String(u"2026-11-02");
    source.validityDays_ = 180;
    source.certificate_ = KVI::String(u"LAB-99");
    source.calculatedView_ = true;
    ASSERT_TRUE(Tessar::FitCalibration(source));
    const QString path = dir_.filePath("transducer.json");
    ASSERT_EQ(Tessar::WriteCalibrationFileAt(path.toStdString(), source), "");

    Open();
    Import(path);
    ASSERT_TRUE(shown_.empty()) << shown_.front().text.toStdString();
    EXPECT_EQ(Raw(1)->text(), QStringLiteral("150 mV"));
    EXPECT_EQ(dialog_->RowProvenance(1), source.provenance_[1]);
    Click(TessarDialog::kOkId);
    ASSERT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(record_.channel_, 2) << "the dialog's channel is kept";
    CalibrationData expected = source;
    expected.channel_ = 2;
    EXPECT_TRUE(record_ == expected);
    EXPECT_EQ(record_.coefficients_, source.coefficients_);
    EXPECT_EQ(KVI::ToQString(record_.calibrationDate_), QStringLiteral("2026-11-02")) << "the file's date stands";

    // Export writes the working copy; reading it back gives the same record.
    Reopen();
    const QString again = dir_.filePath("again.json");
    Export(again);
    ASSERT_TRUE(shown_.empty());
    CalibrationData read;
    ASSERT_EQ(Tessar::ReadCalibrationFileAt(again.toStdString(), read), "");
    EXPECT_TRUE(read == record_);
    // An empty table does not export a calibration: the usual fit message.
    record_ = CalibrationData(2);
    Reopen();
    Export(dir_.filePath("empty.json"));
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, QString::fromUtf16(kTooFew));
    EXPECT_FALSE(QFile::exists(dir_.filePath("empty.json")));
}

TEST_F(TessarRecordTest, ImportRefusesWhatItCannotUseAndChangesNothing)
{
    CalibrationData newer(2);
    newer.rawValues_ = {0.0, 0.1};
    newer.calibratedValues_ = {0.0, 1.0};
    ASSERT_TRUE(Tessar::FitCalibration(newer));
    std::string newerText = Tessar::WriteCalibrationFile(newer);
    const size_t version = newerText.find("\"version\": 1");
    ASSERT_NE(version, std::string::npos) << newerText;
    newerText.replace(version, 12, "\"version\": 99");
    std::string thirteen = "Raw (mV),Calibrated\n";
    for (int i = 0; i < 13; ++i) thirteen += std::to_string(i * 10) + "," + std::to_string(i) + "\n";
    struct Case {
        const char* name;
        const char* file;
        std::string text;
        const char* says;
    } cases[] = {
        {"foreign raw unit", "amps.csv", "Raw (A),Calibrated\n1,2\n3,4\n", "unit"},
        {"thirteen points", "thirteen.csv", thirteen, "13 points"},
        {"newer calibration file", "newer.json", newerText, "version"},
        {"a points file that does not parse", "junk.csv", "\x01\x02,\x03\nno,numbers,here,at all\n", "junk.csv"},
        {"a calibration file that does not parse", "junk.json", "{ not json", "junk.json"},
    };
    record_.rawValues_ = {0.0, 0.1};
    record_.calibratedValues_ = {0.0, 5.0};
    Open();
    const std::vector<QString> before = Rows();
    const CalibrationData working = dialog_->WorkingCopy();
    for (const Case& c : cases) {
        const QString path = dir_.filePath(c.file);
        std::ofstream(path.toStdString(), std::ios::binary) << c.text;
        Import(path);
        ASSERT_EQ(shown_.size(), 1u) << c.name;
        EXPECT_EQ(shown_[0].icon, KVI::MessageIcon::Stop) << c.name;
        EXPECT_TRUE(shown_[0].text.contains(c.says)) << c.name << ": " << shown_[0].text.toStdString();
        shown_.clear();
        EXPECT_EQ(Rows(), before) << c.name;
        EXPECT_TRUE(dialog_->WorkingCopy() == working) << c.name;
    }
}

// The calibration dialog with its three added buttons and the Details dialog, as pictures, with
// no text cut.
TEST_F(TessarRecordTest, ScreenshotsOfTheButtonRowAndTheDetailsDialog)
{
    record_.rawValues_ = {0.0, 0.2, 0.4};
    record_.calibratedValues_ = {0.0, 4.0, 16.0};
    record_.calibrationDate_ = KVI::String(u"2026-12-01");
    record_.validityDays_ = 365;
    record_.certificate_ = KVI::String(u"CAL-2026-0042");
    record_.operator_ = KVI::String(u"M. Example");
    record_.note_ = KVI::String(u"Transducer 7, after service.\nRange 0 to 400 mV.");
    record_.zeroOffset_ = -0.125;
    Open();
    dialog_->grab().save(TestSupport::TestOutputPath("tessar_dialog_buttons.png"));
    const auto notCut = [](QWidget* top) {
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w))) continue;
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
            EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
        }
    };
    notCut(dialog_.get());
    // The added buttons stand left of OK, in their order.
    const int ok = Control(TessarDialog::kOkId)->geometry().left();
    EXPECT_LT(Control(TessarDialog::kDetailsButtonId)->geometry().right(), Control(TessarDialog::kImportButtonId)->geometry().left());
    EXPECT_LT(Control(TessarDialog::kImportButtonId)->geometry().right(), Control(TessarDialog::kExportButtonId)->geometry().left());
    EXPECT_LT(Control(TessarDialog::kExportButtonId)->geometry().right(), ok);
    InDetails([&](DetailsDlg* d) {
        EXPECT_EQ(In(d, DetailsDlg::kOffsetEditId)->text(), QStringLiteral("-0.125"));
        EXPECT_EQ(In<QLabel>(d, DetailsDlg::kDueSummaryLabelId)->text(), QStringLiteral("Due 2027-12-01"));
        d->grab().save(TestSupport::TestOutputPath("details_dialog.png"));
        notCut(d);
    }, DetailsDlg::kCancelId);
}

}  // namespace
