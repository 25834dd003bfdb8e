// Tessar::DetailsDlg: the Details dialog of the calibration dialog (template
// resources/ui/DetailsDlg.ui): what the calibrated channel gives outside the reference points
// (the range policy), how the fit weighs the points, the calibration date, the due date or the
// validity in days (with the resulting due day and whether it has passed), the certificate, the
// operator, a note, and the zero offset with Zero... and Clear.
//
// It edits a copy of the record's keeping fields: OK checks the dates and the validity (a clear
// message, captioned "Tessar", stop icon, for a field that does not read; the dialog stays open)
// and then Edited() holds the result; Cancel leaves the caller's record as it was. The points,
// the fit and everything else of the record pass through untouched.
#pragma once

#include <functional>
#include <optional>

#include <QDialog>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace Tessar {

class DetailsDlg : public QDialog {
public:
    // Control ids of the template.
    static constexpr int kPolicyComboId = 401;
    static constexpr int kWeightsComboId = 402;
    static constexpr int kSdCountLabelId = 403;
    static constexpr int kDateEditId = 404;
    static constexpr int kDueEditId = 405;
    static constexpr int kValidityEditId = 406;
    static constexpr int kDueSummaryLabelId = 407;
    static constexpr int kCertificateEditId = 408;
    static constexpr int kOperatorEditId = 409;
    static constexpr int kNoteEditId = 410;
    static constexpr int kOffsetEditId = 411;
    static constexpr int kZeroButtonId = 412;
    static constexpr int kClearButtonId = 413;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    // The longest validity accepted, in days (a century).
    static constexpr int kMostValidityDays = 36525;

    // What Zero... needs from the calibration dialog: the mean of the calibrated values of the
    // pane's selected span under the curve of the record given (its points, fit kind, weights
    // and range policy as edited here), without any zero offset, in base units. Nothing when
    // there is none to give (no span, no fit); the provider has told the user why.
    using SpanMean = std::function<std::optional<double>(const CalibrationData& edited)>;

    // [in] record: the dialog's working copy (read, not kept); unit: the calibrated unit the
    // offset is shown and typed in; spanMean: see above; today: days since 1970-01-01 (for
    // the "expired" mark).
    DetailsDlg(QWidget* parent, const CalibrationData& record, const KVI::UnitInfo& unit, SpanMean spanMean,
               int64_t today);

    // The record with the edited fields, valid after OK.
    const CalibrationData& Edited() const { return edited_; }
    // True when OK changed the calibration date's text.
    bool DateChanged() const { return dateChanged_; }

    void accept() override;

private:
    void Fill();
    // The fields into edited_; false (after a message, the field focused) when one does not read.
    bool ReadFields();
    void ShowDue();
    void ShowOffset();
    void OnZero();
    void OnClear();
    void Refuse(QWidget* field, const QString& text) const;

    CalibrationData edited_;
    KVI::String originalDate_;
    KVI::UnitInfo unit_;
    SpanMean spanMean_;
    int64_t today_;
    bool dateChanged_ = false;

    QComboBox* policy_ = nullptr;
    QComboBox* weights_ = nullptr;
    QLabel* sdCount_ = nullptr;
    QLineEdit* date_ = nullptr;
    QLineEdit* due_ = nullptr;
    QLineEdit* validity_ = nullptr;
    QLabel* dueSummary_ = nullptr;
    QLineEdit* certificate_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QPlainTextEdit* note_ = nullptr;
    QLineEdit* offset_ = nullptr;
};

}  // namespace Tessar
