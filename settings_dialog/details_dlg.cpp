#include "settings_dialog/details_dlg.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "calibration/calibration_dates.h"
#include "calibration/reference_table.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/message_box.h"
#include "resources/string_ids.h"
#include "settings_dialog/point_texts.h"
#include "ui_DetailsDlg.h"
#include "values/units/prefix_table.h"

namespace Tessar {
namespace {

QString Text(const KVI::String& text) { return KVI::ToQString(text); }
KVI::String Text(const QString& text) { return KVI::FromQString(text.trimmed()); }

// The validity text as days: empty is none (0); nothing for a text that is no whole number.
std::optional<int> ValidityDays(const QString& text)
{
    const QString days = text.trimmed();
    if (days.isEmpty()) return 0;
    bool number = false;
    const int value = days.toInt(&number);
    return number ? std::optional<int>(value) : std::nullopt;
}

// The SD a point keeps for the weighting: measured, positive and finite.
bool HasSd(const PointProvenance& p) { return p.measured && std::isfinite(p.sd) && p.sd > 0; }

}  // namespace

DetailsDlg::DetailsDlg(QWidget* parent, const CalibrationData& record, const KVI::UnitInfo& unit, SpanMean spanMean,
                       int64_t today)
    : QDialog(parent),
      edited_(record),
      originalDate_(record.calibrationDate_),
      unit_(unit),
      spanMean_(std::move(spanMean)),
      today_(today)
{
    Ui::DetailsDlg form;
    form.setupUi(this);
    policy_ = KVI::FindControl<QComboBox>(this, kPolicyComboId);
    weights_ = KVI::FindControl<QComboBox>(this, kWeightsComboId);
    sdCount_ = KVI::FindControl<QLabel>(this, kSdCountLabelId);
    date_ = KVI::FindControl<QLineEdit>(this, kDateEditId);
    due_ = KVI::FindControl<QLineEdit>(this, kDueEditId);
    validity_ = KVI::FindControl<QLineEdit>(this, kValidityEditId);
    dueSummary_ = KVI::FindControl<QLabel>(this, kDueSummaryLabelId);
    certificate_ = KVI::FindControl<QLineEdit>(this, kCertificateEditId);
    operator_ = KVI::FindControl<QLineEdit>(this, kOperatorEditId);
    note_ = KVI::FindControl<QPlainTextEdit>(this, kNoteEditId);
    offset_ = KVI::FindControl<QLineEdit>(this, kOffsetEditId);
    setWindowTitle(QStringLiteral("Calibration Details"));
    Fill();
    for (QLineEdit* edit : {date_, due_, validity_})
        connect(edit, &QLineEdit::textChanged, this, [this](const QString&) { ShowDue(); });
    connect(KVI::FindControl<QPushButton>(this, kZeroButtonId), &QPushButton::clicked, this, [this] { OnZero(); });
    connect(KVI::FindControl<QPushButton>(this, kClearButtonId), &QPushButton::clicked, this, [this] { OnClear(); });
    connect(KVI::FindControl<QPushButton>(this, kOkId), &QPushButton::clicked, this, &QDialog::accept);
    connect(KVI::FindControl<QPushButton>(this, kCancelId), &QPushButton::clicked, this, &QDialog::reject);
}

void DetailsDlg::Fill()
{
    policy_->setCurrentIndex(std::clamp(edited_.rangePolicy_, 0, policy_->count() - 1));
    weights_->setCurrentIndex(std::clamp(edited_.weights_, 0, weights_->count() - 1));
    size_t withSd = 0;
    if (edited_.provenance_.size() == edited_.rawValues_.size())
        for (const PointProvenance& p : edited_.provenance_) withSd += HasSd(p) ? 1 : 0;
    sdCount_->setText(QStringLiteral("%1 of %2 points have an SD").arg(withSd).arg(edited_.rawValues_.size()));
    date_->setText(Text(edited_.calibrationDate_));
    due_->setText(Text(edited_.dueDate_));
    validity_->setText(edited_.validityDays_ > 0 ? QString::number(edited_.validityDays_) : QString());
    certificate_->setText(Text(edited_.certificate_));
    operator_->setText(Text(edited_.operator_));
    note_->setPlainText(Text(edited_.note_));
    ShowOffset();
    ShowDue();
}

bool DetailsDlg::ReadFields()
{
    for (QLineEdit* edit : {date_, due_}) {
        const QString text = edit->text().trimmed();
        if (!text.isEmpty() && !ParseIsoDate(text.toStdString())) {
            Refuse(edit, QStringLiteral("\"%1\" is not a date. Write dates as YYYY-MM-DD (for example %2), "
                                        "or leave the field empty.")
                             .arg(text, QString::fromStdString(FormatIsoDate(today_))));
            return false;
        }
    }
    const std::optional<int> validity = ValidityDays(validity_->text());
    if (!validity || *validity < 0 || *validity > kMostValidityDays) {
        Refuse(validity_, QStringLiteral("The validity \"%1\" is not a number of days from 0 to %2. "
                                         "Leave it empty for none.")
                              .arg(validity_->text().trimmed())
                              .arg(kMostValidityDays));
        return false;
    }
    edited_.rangePolicy_ = policy_->currentIndex();
    edited_.weights_ = weights_->currentIndex();
    edited_.calibrationDate_ = Text(date_->text());
    edited_.dueDate_ = Text(due_->text());
    edited_.validityDays_ = *validity;
    edited_.certificate_ = Text(certificate_->text());
    edited_.operator_ = Text(operator_->text());
    // The note keeps its lines; only blanks around the whole text go.
    edited_.note_ = Text(note_->toPlainText());
    return true;
}

void DetailsDlg::ShowDue()
{
    CalibrationData probe = edited_;
    probe.calibrationDate_ = Text(date_->text());
    probe.dueDate_ = Text(due_->text());
    const std::optional<int> validity = ValidityDays(validity_->text());
    probe.validityDays_ = validity.value_or(0);
    const std::optional<int64_t> due = validity && *validity >= 0 ? DueDay(probe) : std::nullopt;
    if (!due) {
        dueSummary_->setText(QStringLiteral("No due day"));
        return;
    }
    const QString day = QString::fromStdString(FormatIsoDate(*due));
    dueSummary_->setText(IsExpired(probe, today_) ? QStringLiteral("Due %1: expired").arg(day)
                                                  : QStringLiteral("Due %1").arg(day));
}

void DetailsDlg::ShowOffset()
{
    const int32_t exponent = KVI::PrefixExponent(unit_.prefix_);
    QString text = QString::fromStdString(ShiftedNumberText(edited_.zeroOffset_, exponent));
    if (!unit_.name_.IsEmpty()) text += QLatin1Char(' ') + Text(unit_.DisplayText());
    offset_->setText(text);
    KVI::FindControl<QPushButton>(this, kClearButtonId)->setEnabled(edited_.zeroOffset_ != 0);
}

void DetailsDlg::OnZero()
{
    // The curve as edited so far (policy and weights); dates that do not read yet do not matter.
    CalibrationData probe = edited_;
    probe.rangePolicy_ = policy_->currentIndex();
    probe.weights_ = weights_->currentIndex();
    const std::optional<double> mean = spanMean_ ? spanMean_(probe) : std::nullopt;
    if (!mean) return;
    QInputDialog ask(this);
    ask.setWindowTitle(QStringLiteral("Zero"));
    const QString unit = unit_.name_.IsEmpty() ? QString() : QStringLiteral(" (%1)").arg(Text(unit_.DisplayText()));
    ask.setLabelText(QStringLiteral("The selected span should read%1:").arg(unit));
    ask.setTextValue(QStringLiteral("0"));
    if (ask.exec() != QDialog::Accepted) return;
    const KVI::UnitValue target = ReadTableValue(Text(ask.textValue()), unit_);
    if (target.IsInvalid() || !(target.Unit() == unit_.name_) || !std::isfinite(target.Value())) {
        Refuse(offset_, QStringLiteral("\"%1\" is not a value in %2; the zero offset is unchanged.")
                            .arg(ask.textValue(), unit.isEmpty() ? QStringLiteral("the calibration's unit")
                                                                 : Text(unit_.DisplayText())));
        return;
    }
    edited_.zeroOffset_ = target.Value() - *mean;
    ShowOffset();
}

void DetailsDlg::OnClear()
{
    edited_.zeroOffset_ = 0;
    ShowOffset();
}

void DetailsDlg::accept()
{
    if (!ReadFields()) return;
    dateChanged_ = !(edited_.calibrationDate_ == originalDate_);
    QDialog::accept();
}

void DetailsDlg::Refuse(QWidget* field, const QString& text) const
{
    KVI::ShowMessage(KVI::LoadString(KVI::ThisModule(), StringId::kCalcName), KVI::FromQString(text),
                     KVI::MessageIcon::Stop);
    field->setFocus(Qt::OtherFocusReason);
}

}  // namespace Tessar
