// TessarDialog: the modal settings dialog of the calibrated channel (template 201,
// resources/ui/TessarDlg.ui). The user types up to twelve pairs of reference values (a raw
// value of the source channel and the calibrated value it stands for), picks the fit kind, the
// calibrated unit and the decimal places, and takes values from the host selection, which the
// selection pane shows raw or calculated through the current fit.
//
// The dialog works on a working copy of the calculation's settings record; only a successful
// OK (CanClose: the table reads, checks and fits) copies it back into the record, always with
// its calculated-view flag set. Cancel leaves the record untouched.
//
// Texts in the edits are unit values ("12.5 mV"); a bare raw number is taken in the source
// channel's unit, a bare calibrated number in the calibrated unit. Messages (strings 273, 275,
// 277, captioned "Tessar", stop icon) appear only while the calculated display is requested.
//
// A record with more than twelve points (written by an older host) shows its first twelve;
// OK then warns that the rest will be dropped, Cancel keeps them.
//
// What a laboratory keeps with a calibration: a raw value taken from the selection keeps where
// it came from (the span's mean, sample standard deviation, sample count, block and sample
// range, base units); typing in a raw edit forgets it. Details... edits the range policy, the
// weighting, the dates, certificate, operator, note and the zero offset; Import... reads a CSV
// points file or a calibration file into the table, Export... writes either. OK dates the
// calibration today when the fit's inputs changed or it had no date, unless the user set the date
// this time. Opening a calibration past its due day warns once.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QDialog>

#include "calibration/calibration_data.h"
#include "interfaces/document_access.h"
#include "interfaces/unit_list.h"
#include "values/units/unit_info.h"
#include "values/units/unit_value.h"
#include "platform/com_ptr.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace KVI {
class IntEdit;
}
namespace KVIControls {
class UnitsControl;
}

namespace Tessar {

class CDragScale;
class TSICNButton;
class UnitConvertDataPane;

class TessarDialog : public QDialog {
public:
    static constexpr int kRows = 12;
    // Control ids of template 201.
    static constexpr int kRowButtonId = 280;      // + row
    static constexpr int kRawEditId = 208;        // + row
    static constexpr int kCalibratedEditId = 220; // + row
    static constexpr int kFitComboId = 350;
    static constexpr int kDecimalEditId = 207;
    static constexpr int kUpDownId = 303;
    static constexpr int kPaneFrameId = 301;
    static constexpr int kRawRadioId = 204;
    static constexpr int kCalculatedRadioId = 205;
    static constexpr int kFitButtonId = 200;
    static constexpr int kApplyButtonId = 206;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kHelpId = 9;
    static constexpr int kDetailsButtonId = 360;
    static constexpr int kImportButtonId = 361;
    static constexpr int kExportButtonId = 362;
    static constexpr int kEditTextLimit = 255;
    // The decimal-places edit's width in the template, in dialog units.
    static constexpr int kDecimalEditWidth = 32;

    // [in] parent: the host's window (may be null); channel: the source channel, 0-based;
    // units: the host's unit list for the units control; document, selection: the host's
    // document and its selection (may be null: no data shown); settings: the calculation's
    // record, not owned, written only by a successful OK. Each interface gets one reference.
    // Builds the controls and runs the set-up (SetupWindow).
    TessarDialog(QWidget* parent, int32_t channel, IUnitList* units, IHostDocument* document,
                 IHostSelection* selection, CalibrationData* settings);
    ~TessarDialog() override;
    TessarDialog(const TessarDialog&) = delete;
    TessarDialog& operator=(const TessarDialog&) = delete;

    // Runs the dialog modally: QDialog::Accepted after CanClose has written the record back,
    // QDialog::Rejected otherwise (record untouched).
    int Execute();

    const CalibrationData& WorkingCopy() const { return working_; }
    const KVI::UnitInfo& SourceUnit() const { return sourceUnit_; }
    // The raw-points range (top, bottom) of the last calculated display.
    double RawPointsTop() const { return rawPointsTop_; }
    double RawPointsBottom() const { return rawPointsBottom_; }
    QLineEdit* RawEdit(int row) const { return rawEdits_[row]; }
    QLineEdit* CalibratedEdit(int row) const { return calibratedEdits_[row]; }
    TSICNButton* RowButton(int row) const { return rowButtons_[row]; }
    UnitConvertDataPane* Pane() const { return pane_; }
    CDragScale* Scale() const { return scale_.get(); }
    QRect PaneRect() const { return paneRect_; }

    // Where row's raw value came from (measured false for a typed or empty row).
    const PointProvenance& RowProvenance(int row) const { return rowProvenance_[row]; }

    // OK: reads, checks and fits the table as the calculated display; on success copies the
    // working copy (calculated-view flag set) into the record and returns true. Otherwise
    // switches to the raw display and returns false.
    bool CanClose();

protected:
    void done(int result) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The factor that turns base-unit values into the prefixed unit shown; an unset prefix
    // (index 0, factor 0) counts as none, so a host unit without a chosen prefix does not wipe
    // the samples out.
    static double DisplayFactor(int32_t prefix);

    void FindControls();
    void SetupWindow();
    void PlacePane();
    void Connect();

    // Unit values in the edits.
    KVI::UnitValue ReadRaw(int row) const;
    KVI::UnitValue ReadCalibrated(int row) const;
    void WriteValue(QLineEdit* edit, const KVI::UnitValue& value, const KVI::UnitInfo& unit);
    void NormaliseRaw(int row);

    void FillControls();
    // The texts of the raw edits, in row order.
    std::vector<KVI::String> RawTexts() const;
    // The rows (and their provenance) and the other controls into the working copy.
    void ReadTable();
    bool ReadControls();
    // The table's check and the fit; their messages appear when tell is true (by default: while
    // the calculated display is requested).
    bool CheckTable(bool tell);
    bool CheckTable() { return CheckTable(working_.calculatedView_); }
    bool Fit(bool tell);
    bool Fit() { return Fit(working_.calculatedView_); }
    bool CalculatedDisplay();
    void RawDisplay();
    void ReloadPane(bool calculated);
    void Refresh();
    void TakeValueIntoRow(int row);
    void TakeValueIntoFocusedRow();
    void OnFit();
    void OnDecimalPlaces();
    void StepDecimalPlaces(int step);
    void OnUnitChanged();
    void ShowHelp();
    void SetScaleLabel();
    void Message(uint32_t stringId) const;
    void Tell(const QString& text, bool warning = false) const;

    // The record's points into the rows, the numbers exact, with their provenance.
    void WriteRows();
    void WriteExactValue(QLineEdit* edit, double base, const KVI::UnitInfo& unit);
    // The provenance of the pane's selected span (raw display), base units.
    PointProvenance SpanProvenance() const;
    // Sets the calibration date on an accepted fit (see the class comment).
    void DateAcceptedFit();
    void WarnIfExpired();
    void OnDetails();
    // The mean of the calibrated values of the selected span under record's curve, without
    // offset, base units; nothing after a message.
    std::optional<double> SpanCalibratedMean(const CalibrationData& record);
    void OnImport();
    void OnExport();
    // Replaces the table by points (base units) and their provenance.
    void ReplaceRows(const std::vector<double>& raw, const std::vector<double>& calibrated,
                     const std::vector<PointProvenance>& provenance);
    // A file name chosen in the (non-native) file dialog; empty when cancelled.
    QString ChooseFile(bool save);

    std::array<TSICNButton*, kRows> rowButtons_{};
    std::array<QLineEdit*, kRows> rawEdits_{};
    std::array<QLineEdit*, kRows> calibratedEdits_{};
    std::array<PointProvenance, kRows> rowProvenance_{};
    QRadioButton* rawRadio_ = nullptr;
    QRadioButton* calculatedRadio_ = nullptr;
    QComboBox* fitCombo_ = nullptr;
    KVIControls::UnitsControl* unitsControl_ = nullptr;
    KVI::IntEdit* decimalEdit_ = nullptr;
    QToolButton* spinUp_ = nullptr;
    QToolButton* spinDown_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* fitButton_ = nullptr;
    QWidget* paneFrame_ = nullptr;
    UnitConvertDataPane* pane_ = nullptr;
    std::unique_ptr<CDragScale> scale_;
    QRect paneRect_;

    KVI::UnitInfo sourceUnit_;
    double rawPointsTop_ = 0;
    double rawPointsBottom_ = 0;
    double sourceTop_ = 0;     // the source channel's display range, in its prefixed unit
    double sourceBottom_ = 0;
    double sourcePrefixFactor_ = 1.0;
    int32_t channel_;
    bool ready_ = false;
    bool editRefresh_ = false;
    bool scaleShowsLimits_ = false;  // the scale shows the working copy's (calibrated) pane limits  // the guard: writing an edit runs only while it is up

    platform::ComPtr<IHostDocument> document_;
    platform::ComPtr<IHostSelection> selection_;
    platform::ComPtr<IUnitList> units_;
    CalibrationData* settings_;
    CalibrationData working_;
    // Points of the record beyond the twelve rows (an older host's record); dropped by OK
    // after a warning.
    std::size_t hiddenPoints_ = 0;
    bool dateChosen_ = false;     // the user set the calibration date this time (Details, Import)
    bool expiryChecked_ = false;  // the expiry warning is given at the first showing only
};

}  // namespace Tessar
