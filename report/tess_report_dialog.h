// Tessar::TessReportDialog: the fit report, a modal dialog (template 202, resources/ui/
// ReportDlg.ui) that shows, for the reference points and fit of a calibration record: the graph
// of the points and the fitted curve (TessarWnd), a table of the points in display units, the
// fit kind (308) and force-origin flag (309) to change the fit, the fit-type line (306), the
// equation (305) and the statistics (313), and buttons to copy (310) or print (311) the whole
// report. Below the statistics it says how good the fit is (315: s and the prediction
// half-widths, or that no degree of freedom is left; the standard errors are on the copied and
// printed report) and which fit kind the points support best (316).
//
// The dialog works on its own copy of the caller's record (the working record). Changing the fit
// kind, the force-origin flag or the weights (317: none, or 1/SD^2 when a point keeps a standard
// deviation) refits a copy of it: on success the copy becomes the working
// record and the report shows it; on failure the user is told (275 too few points, 273 the fit
// failed) and the controls go back to the working record. Only OK, after a successful fit,
// writes the working record back to the caller's record; Cancel leaves it untouched.
//
// The calibration dialog opens it with RunFitReport (below).
#pragma once

#include <cstdint>

#include <QDialog>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "platform/unknown.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QPaintDevice;

namespace GUILib {
class Table2D;
}  // namespace GUILib

namespace Tessar {

class TessarWnd;

class TessReportDialog : public QDialog {
public:
    // The table grid's columns (point number, raw, calibrated, fitted, residual), their widths
    // (shares of its width) and framed rows.
    // NOTE: five columns, not the three of the template: the fitted value and the residual of
    // every point beside it.
    // The residuals get the widest column: their digits are the ones a measurement leaves.
    static constexpr int32_t kTableColumns = 5;
    static constexpr float kColumnShares[kTableColumns] = {0.08f, 0.21f, 0.21f, 0.23f, 0.27f};
    // With the points' standard deviations (FillReportTable's sixth column) beside them.
    static constexpr int32_t kTableColumnsWithSd = 6;
    static constexpr float kColumnSharesWithSd[kTableColumnsWithSd] = {0.07f, 0.17f, 0.17f, 0.19f, 0.22f, 0.18f};
    static constexpr int32_t kTableRows = 14;

    // [in] owner: the parent window (the calibration dialog), may be null; channel: the source
    // channel, 0-based; dataAccess: the host's data-access object, used only for printing
    // (reference held; may be null: printing is then not available); sourceUnit: the raw
    // values' unit; rawTop, rawBottom: the calibration dialog's range of the raw points (not
    // used: the axes are set from the points themselves); data: the caller's record, written on
    // OK only; it must outlive the dialog.
    TessReportDialog(QWidget* owner, int32_t channel, IUnknown* dataAccess, const KVI::UnitInfo& sourceUnit,
                     double rawTop, double rawBottom, CalibrationData& data);
    ~TessReportDialog() override;
    TessReportDialog(const TessReportDialog&) = delete;
    TessReportDialog& operator=(const TessReportDialog&) = delete;

    // Brings every control, the table and the graph up to date with the working record.
    void RefreshReport();

    // OK: with the kind and flag shown, checks the points (275) and fits (273); on success the
    // working record takes the fit and is copied into the caller's record, and true is
    // returned. On failure the dialog stays open and nothing changes.
    bool CanClose();

    // "Tessar Curve for Channel " and channel + 1: the caption and the printout's title.
    const KVI::String& Title() const { return title_; }
    const CalibrationData& WorkingData() const { return working_; }
    const KVI::UnitInfo& SourceUnit() const { return sourceUnit_; }
    IUnknown* DataAccess() const { return dataAccess_.Get(); }
    TessarWnd* GraphWindow() const { return graph_; }
    GUILib::Table2D* TableGrid() const { return table_; }
    GUILib::CTabulatedData* TableData() const { return tableData_.Get(); }

    // Handlers of the copy (310) and print (311) buttons.
    void OnCopy();
    void OnPrint();

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Connect();
    // Fit combo 308 changed (checkPoints) or Force origin 309 clicked: refits a copy with the
    // controls' kind and flag.
    void Refit(bool checkPoints);
    // The working record with the fit kind, force origin and weights the controls show.
    CalibrationData Trial() const;

    CalibrationData* caller_;
    CalibrationData working_;
    int32_t channel_;
    platform::ComPtr<IUnknown> dataAccess_;
    KVI::UnitInfo sourceUnit_;
    KVI::String title_;
    bool placed_ = false;

    TessarWnd* graph_ = nullptr;
    GUILib::Table2D* table_ = nullptr;
    platform::ComPtr<GUILib::CTabulatedData> tableData_;
    QComboBox* fitCombo_ = nullptr;
    QCheckBox* forceOrigin_ = nullptr;
    QLabel* fitType_ = nullptr;
    QLabel* units_ = nullptr;
    QLabel* equation_ = nullptr;
    QLabel* statistics_ = nullptr;
    QLabel* uncertainty_ = nullptr;
    QLabel* advice_ = nullptr;
    QComboBox* weights_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* print_ = nullptr;
};

// Opens the fit report on a working copy of a calibration and runs it modally; what the
// calibration dialog's "Fi&t..." calls. [in] parent, channel, dataAccess, sourceUnit, rawTop,
// rawBottom: as for TessReportDialog; [in, out] working: the calibration dialog's working copy,
// which OK replaces with the report's (kind, force origin, coefficients and statistics).
// Result: true when OK wrote working back, false when the report was cancelled (working is
// unchanged). The caller reloads its controls from working in either case.
bool RunFitReport(QWidget* parent, int32_t channel, IUnknown* dataAccess, const KVI::UnitInfo& sourceUnit,
                  double rawTop, double rawBottom, CalibrationData& working);

}  // namespace Tessar
