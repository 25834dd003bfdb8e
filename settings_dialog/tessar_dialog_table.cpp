// TessarDialog: the table of reference points, the fit and the two displays of the pane.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>

#include "calibration/calibration_fit.h"
#include "interfaces/help.h"
#include "interfaces/unit_list.h"
#include "calibration/reference_table.h"
#include "values/units/prefix_table.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/validating_edit.h"
#include "foundation/message_box.h"
#include "report/tess_report_dialog.h"
#include "platform/class_table.h"
#include "resources/string_ids.h"
#include "settings_dialog/calibrated_stream.h"
#include "settings_dialog/drag_scale.h"
#include "settings_dialog/selection_reader.h"
#include "settings_dialog/tessar_dialog.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "settings_dialog/units_control.h"

namespace Tessar {
namespace {

// The help service, fetched once (a failed fetch is tried again next time).
IHelpService* HelpService()
{
    static IHelpService* service = nullptr;
    if (!service) {
        IHelpService* fetched = nullptr;
        if (SUCCEEDED(CoGetClassObject(CLSID_FrameworkServices, 23, nullptr, IID_IHelpService,
                                                 reinterpret_cast<void**>(&fetched))))
            service = fetched;  // the cache keeps the reference for the life of the module
    }
    return service;
}

// The integer at the start of a text, as the C library reads it (0 when there is none), from
// at most the 29 characters the 30-character buffer holds.
int LeadingInteger(const QString& text)
{
    const std::string digits = text.left(KVI::IntEdit::kReadLimit).toStdString();
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, -1000000, 1000000));
}

}  // namespace

void TessarDialog::FillControls()
{
    fitCombo_->setCurrentIndex(working_.fitKind_);
    rawRadio_->setChecked(!working_.calculatedView_);
    calculatedRadio_->setChecked(working_.calculatedView_);
    decimalEdit_->setText(QString::number(std::clamp(working_.decimalPlaces_, 0, KVI::IntEdit::kMaximum)));
    unitsControl_->SetUnit(working_.unit_);
    SetScaleLabel();
    // The pane limits are calibrated values; raw data is shown on the source channel's own
    // range (the host gives it in the channel's prefixed unit, the unit the pane shows), and
    // so is a record that has no limits yet.
    scaleShowsLimits_ = working_.calculatedView_ && working_.paneTop_ != working_.paneBottom_;
    if (scaleShowsLimits_)
        scale_->SetRange(working_.paneTop_, working_.paneBottom_);
    else
        scale_->SetRange(sourceTop_, sourceBottom_);
}

std::vector<KVI::String> TessarDialog::RawTexts() const
{
    std::vector<KVI::String> raw;
    for (int i = 0; i < kRows; ++i) raw.push_back(KVI::FromQString(rawEdits_[i]->text()));
    return raw;
}

void TessarDialog::ReadTable()
{
    working_.fitKind_ = fitCombo_->currentIndex();
    working_.calculatedView_ = calculatedRadio_->isChecked();
    working_.decimalPlaces_ = LeadingInteger(decimalEdit_->text());
    working_.unit_ = unitsControl_->CurrentUnit();
    std::vector<KVI::String> calibrated;
    for (int i = 0; i < kRows; ++i) calibrated.push_back(KVI::FromQString(calibratedEdits_[i]->text()));
    ReadReferencePoints(RawTexts(), calibrated, sourceUnit_, working_, RepeatedRawValues::Refused, rowProvenance_);
    // The user may have dragged the scale; only a scale that shows calibrated values gives limits.
    if (scaleShowsLimits_) scale_->GetRange(&working_.paneTop_, &working_.paneBottom_);
}

bool TessarDialog::ReadControls()
{
    ReadTable();
    return CheckTable();
}

bool TessarDialog::CheckTable(bool tell)
{
    const uint32_t message = CheckReferenceTable(RawTexts(), working_);
    if (message == 0) return true;
    if (tell) Message(message);
    return false;
}

bool TessarDialog::Fit(bool tell)
{
    const bool fitted = FitCalibration(working_);
    if (!fitted && tell) Message(StringId::kFitFailed);
    fitButton_->setEnabled(fitted);
    applyButton_->setEnabled(fitted);
    calculatedRadio_->setEnabled(fitted);
    return fitted;
}

bool TessarDialog::CalculatedDisplay()
{
    if (!Fit() || !working_.calculatedView_) return false;
    ReloadPane(true);
    const auto [low, high] = std::minmax_element(working_.rawValues_.begin(), working_.rawValues_.end());
    if (low != working_.rawValues_.end()) ExpandedRange(*low, *high, rawPointsTop_, rawPointsBottom_);
    if (!pane_->Samples().empty()) {
        ExpandedRange(pane_->SmallestSample(), pane_->LargestSample(), working_.paneTop_, working_.paneBottom_);
    } else {
        const double factor = DisplayFactor(working_.unit_.prefix_);
        ExpandedRange(sourceBottom_ * factor, sourceTop_ * factor, working_.paneTop_, working_.paneBottom_);
    }
    return true;
}

void TessarDialog::RawDisplay()
{
    working_.calculatedView_ = false;
    FillControls();
    ReloadPane(false);
}

void TessarDialog::ReloadPane(bool calculated)
{
    const SelectionReader reader(document_.Get(), selection_.Get(), channel_);
    if (calculated) {
        const int32_t kind = working_.fitKind_;
        const std::vector<double> coefficients = working_.coefficients_;
        // As the calculated channel gives it: the range policy and the zero offset applied.
        const OutsideRule rule = OutsideRule::Of(working_);
        reader.Read(*pane_, DisplayFactor(working_.unit_.prefix_),
                    [kind, coefficients, rule](IEnumFloatEx* raw, IEnumFloatEx** loaded) -> HRESULT {
                        *loaded = new CalibratedStream(raw, kind, coefficients, rule);
                        return S_OK;
                    });
    } else {
        reader.Read(*pane_, sourcePrefixFactor_);
    }
    pane_->update();
}

void TessarDialog::Refresh()
{
    if (ReadControls() && CalculatedDisplay())
        FillControls();
    else
        RawDisplay();
}

void TessarDialog::TakeValueIntoRow(int row)
{
    const KVI::UnitInfo& shown = working_.calculatedView_ ? working_.unit_ : sourceUnit_;
    const double base = pane_->CurrentValue() * std::pow(10.0, KVI::PrefixExponent(shown.prefix_));
    const KVI::UnitValue value = KVI::UnitValue::Normalised(base, shown.name_);
    QLineEdit* next = nullptr;
    if (working_.calculatedView_) {
        WriteValue(calibratedEdits_[row], value, working_.unit_);
        next = rawEdits_[(row + 1) % kRows];
    } else {
        WriteValue(rawEdits_[row], value, sourceUnit_);
        rowProvenance_[row] = SpanProvenance();
        next = calibratedEdits_[row];
    }
    next->setFocus(Qt::OtherFocusReason);
    next->selectAll();
}

void TessarDialog::TakeValueIntoFocusedRow()
{
    const QWidget* focus = focusWidget();
    int row = 0;
    for (int i = 0; i < kRows; ++i) {
        if (focus == rawEdits_[i]) row = i;
        if (i > 0 && focus == calibratedEdits_[i - 1]) row = i;
    }
    TakeValueIntoRow(row);
}

void TessarDialog::OnFit()
{
    calculatedRadio_->setChecked(true);
    rawRadio_->setChecked(false);
    if (!ReadControls() || !Fit()) {
        RawDisplay();
        return;
    }
    working_.calculatedView_ = true;
    // The report refits its own copy; OK there writes kind, force origin and the fit back.
    RunFitReport(this, channel_, document_.Get(), sourceUnit_, rawPointsTop_, rawPointsBottom_, working_);
    CalculatedDisplay();
    FillControls();
}

bool TessarDialog::CanClose()
{
    calculatedRadio_->setChecked(true);
    rawRadio_->setChecked(false);
    // Reading the rows replaces the record's points; points beyond the rows are dropped only
    // after the user has been told once.
    if (hiddenPoints_ > 0) {
        const QString text = QStringLiteral("This calibration has %1 points, but only the first %2 are shown. "
                                            "Press OK again to keep the points in the table and drop the rest, "
                                            "or Cancel to keep all points.")
                                 .arg(settings_->rawValues_.size())
                                 .arg(kRows);
        KVI::ShowMessage(KVI::LoadString(KVI::ThisModule(), StringId::kCalcName), KVI::FromQString(text),
                         KVI::MessageIcon::Warning);
        hiddenPoints_ = 0;
        RawDisplay();
        return false;
    }
    if (ReadControls() && Fit()) {
        working_.calculatedView_ = true;
        // Closed from the raw display: the stored limits come from the calibrated data, as a
        // calculated display would have set them.
        if (!scaleShowsLimits_) CalculatedDisplay();
        DateAcceptedFit();
        *settings_ = working_;
        return true;
    }
    RawDisplay();
    return false;
}

void TessarDialog::OnDecimalPlaces()
{
    if (!ready_) return;
    const int read = LeadingInteger(decimalEdit_->text());
    const int places = std::clamp(read, KVI::IntEdit::kMinimum, KVI::IntEdit::kMaximum);
    if (places != read) decimalEdit_->setText(QString::number(places));
    working_.decimalPlaces_ = places;
}

void TessarDialog::StepDecimalPlaces(int step)
{
    const int places =
        std::clamp(LeadingInteger(decimalEdit_->text()) + step, KVI::IntEdit::kMinimum, KVI::IntEdit::kMaximum);
    decimalEdit_->setText(QString::number(places));
}

void TessarDialog::OnUnitChanged()
{
    working_.unit_ = unitsControl_->CurrentUnit();
    SetScaleLabel();
}

void TessarDialog::SetScaleLabel()
{
    scale_->SetUnitLabel(working_.calculatedView_ ? working_.unit_.DisplayText() : sourceUnit_.DisplayText());
}

void TessarDialog::ShowHelp()
{
    IHelpService* help = HelpService();
    if (!help) return;
    const KVI::String topic(u"ts_setup");
    const KVI::String book(u"TessarHelp");
    help->ShowHelp(topic.Interface(), book.Interface());
}

}  // namespace Tessar
