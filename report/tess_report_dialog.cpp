#include "report/tess_report_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "calibration/calibration_fit.h"
#include "calibration/fit_kind.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/window_placement.h"
#include "foundation/message_box.h"
#include "guilib/table/table2d.h"
#include "report/fit_text.h"
#include "report/report_clipboard.h"
#include "report/report_data.h"
#include "report/report_print.h"
#include "report/tess_copy_select.h"
#include "report/tessar_wnd.h"
#include "report/uncertainty_text.h"
#include "resources/string_ids.h"
#include "ui_ReportDlg.h"

namespace Tessar {
namespace {

constexpr int kGraphFrameId = 307;
constexpr int kTableFrameId = 312;
constexpr int kFitComboId = 308;
constexpr int kForceOriginId = 309;
constexpr int kWeightsId = 317;  // PointWeights: none, 1/SD^2
constexpr int kFitTypeId = 306;
constexpr int kUnitsId = 314;  // the units of the equation (x in mV, y in kPa)
constexpr int kEquationId = 305;
constexpr int kStatisticsId = 313;
constexpr int kUncertaintyId = 315;  // how good the fit is
constexpr int kAdviceId = 316;       // the fit kind the points support best
constexpr int kCopyId = 310;
constexpr int kPrintId = 311;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;
// The graph and the table lie this far inside their frames.
constexpr int kFrameInset = 3;

KVI::String ModuleString(uint32_t id) { return KVI::String(KVI::ThisModule(), id); }

void ShowFitMessage(uint32_t id)
{
    KVI::ShowMessage(ModuleString(StringId::kCalcName), ModuleString(id), KVI::MessageIcon::Stop);
}

// Lays child (a child of the frame) over the frame, but for the inset.
template <class Child>
Child* PlaceInFrame(QWidget* frame, Child* child)
{
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(kFrameInset, kFrameInset, kFrameInset, kFrameInset);
    layout->addWidget(child);
    return child;
}

}  // namespace

TessReportDialog::TessReportDialog(QWidget* owner, int32_t channel, IUnknown* dataAccess,
                                   const KVI::UnitInfo& sourceUnit, double, double, CalibrationData& data)
    : QDialog(owner),
      caller_(&data),
      working_(data),
      channel_(channel),
      dataAccess_(dataAccess),
      sourceUnit_(sourceUnit),
      tableData_(new GUILib::CTabulatedData())
{
    Ui::ReportDlg form;
    form.setupUi(this);
    fitCombo_ = KVI::FindControl<QComboBox>(this, kFitComboId);
    forceOrigin_ = KVI::FindControl<QCheckBox>(this, kForceOriginId);
    weights_ = KVI::FindControl<QComboBox>(this, kWeightsId);
    fitType_ = KVI::FindControl<QLabel>(this, kFitTypeId);
    units_ = KVI::FindControl<QLabel>(this, kUnitsId);
    equation_ = KVI::FindControl<QLabel>(this, kEquationId);
    statistics_ = KVI::FindControl<QLabel>(this, kStatisticsId);
    uncertainty_ = KVI::FindControl<QLabel>(this, kUncertaintyId);
    advice_ = KVI::FindControl<QLabel>(this, kAdviceId);
    copy_ = KVI::FindControl<QPushButton>(this, kCopyId);
    print_ = KVI::FindControl<QPushButton>(this, kPrintId);

    title_ = KVI::String(u"Tessar Curve for Channel ");
    title_ += KVI::String(std::to_string(int64_t(channel_) + 1).c_str());
    setWindowTitle(KVI::ToQString(title_));

    // List index = fit kind.
    for (int32_t kind = 0; kind < kFitKindCount; ++kind)
        fitCombo_->addItem(KVI::ToQString(ModuleString(StringId::kShortFitName + uint32_t(kind))));

    QWidget* graphFrame = KVI::FindControl(this, kGraphFrameId);
    graph_ = PlaceInFrame(graphFrame, new TessarWnd(graphFrame, sourceUnit_, working_));
    QWidget* tableFrame = KVI::FindControl(this, kTableFrameId);
    table_ = PlaceInFrame(tableFrame, new GUILib::Table2D(tableFrame));
    table_->SetFramedRows(kTableRows);
    table_->update();

    Connect();
    RefreshReport();
}

TessReportDialog::~TessReportDialog() = default;

void TessReportDialog::Connect()
{
    connect(fitCombo_, &QComboBox::activated, this, [this](int) { Refit(true); });
    connect(forceOrigin_, &QCheckBox::clicked, this, [this](bool) { Refit(false); });
    connect(weights_, &QComboBox::activated, this, [this](int) { Refit(false); });
    connect(copy_, &QPushButton::clicked, this, &TessReportDialog::OnCopy);
    connect(print_, &QPushButton::clicked, this, &TessReportDialog::OnPrint);
    connect(KVI::FindControl<QPushButton>(this, kOkId), &QPushButton::clicked, this, &TessReportDialog::accept);
    connect(KVI::FindControl<QPushButton>(this, kCancelId), &QPushButton::clicked, this, &TessReportDialog::reject);
}

void TessReportDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (placed_) return;
    placed_ = true;
    KVI::PlaceWindow(this, KVI::Placement::kCentred);
}

void TessReportDialog::RefreshReport()
{
    const int32_t kind = working_.fitKind_;
    fitCombo_->setCurrentIndex(IsFitKind(kind) ? kind : -1);
    forceOrigin_->setEnabled(IsPolynomialKind(kind));
    forceOrigin_->setChecked(working_.forceOrigin_);
    // Weighting needs standard deviations; a record weighted already may always go back.
    const bool weighted = working_.weights_ == static_cast<int32_t>(PointWeights::InverseVariance);
    weights_->setCurrentIndex(weighted ? 1 : 0);
    weights_->setEnabled(weighted || !PointStandardDeviations(working_).empty());
    fitType_->setText(KVI::ToQString(FitTypeLine(working_)));
    // The units of the equation below, when there are any.
    const KVI::String units = UnitsLine(working_, sourceUnit_);
    units_->setText(KVI::ToQString(units));
    units_->setVisible(!units.IsEmpty());
    equation_->setText(KVI::ToQString(FormatEquation(working_, sourceUnit_)));
    statistics_->setText(KVI::ToQString(FormatStatistics(working_)));
    // s and the prediction half-widths; the standard errors are on the copied and printed report.
    QStringList uncertainty;
    for (const KVI::String& line : UncertaintyLines(working_, sourceUnit_)) uncertainty << KVI::ToQString(line);
    if (uncertainty.size() > 2) uncertainty.removeLast();
    uncertainty_->setText(uncertainty.join(QLatin1Char('\n')));
    uncertainty_->setVisible(!uncertainty.isEmpty());
    const QString advice = KVI::ToQString(AdviceLine(AdviseFitKind(working_)));
    advice_->setText(advice);
    advice_->setVisible(!advice.isEmpty());

    const std::optional<int32_t> marked = FillReportTable(*tableData_.Get(), working_, sourceUnit_);
    const bool withSd = !PointStandardDeviations(working_).empty();
    table_->SetColumnCount(withSd ? kTableColumnsWithSd : kTableColumns);
    for (int32_t c = 0; c < table_->ColumnCount(); ++c)
        table_->SetColumnFraction(c, withSd ? kColumnSharesWithSd[c] : kColumnShares[c]);
    if (marked)
        table_->SetHighlightedRows({*marked});
    else
        table_->ClearHighlights();
    table_->SetData(static_cast<IRecordData*>(tableData_.Get()));
}

CalibrationData TessReportDialog::Trial() const
{
    CalibrationData trial = working_;
    trial.fitKind_ = fitCombo_->currentIndex();
    trial.forceOrigin_ = forceOrigin_->isChecked();
    trial.weights_ = weights_->currentIndex() == 1 ? static_cast<int32_t>(PointWeights::InverseVariance)
                                                   : static_cast<int32_t>(PointWeights::None);
    return trial;
}

void TessReportDialog::Refit(bool checkPoints)
{
    CalibrationData trial = Trial();
    if (checkPoints && !HasEnoughPoints(trial)) {
        ShowFitMessage(StringId::kTooFewPoints);
    } else if (FitCalibration(trial)) {
        working_ = trial;
        graph_->SetWorkingData(working_);
        graph_->BuildGraphData();
    } else {
        ShowFitMessage(StringId::kFitFailed);
    }
    // After a failure this puts the combo and the check box back to the working record.
    RefreshReport();
}

bool TessReportDialog::CanClose()
{
    CalibrationData trial = Trial();
    if (!HasEnoughPoints(trial)) {
        ShowFitMessage(StringId::kTooFewPoints);
        return false;
    }
    // The fit runs on a copy, so that a failure leaves the working record as it was.
    if (!FitCalibration(trial)) {
        ShowFitMessage(StringId::kFitFailed);
        return false;
    }
    working_ = trial;
    *caller_ = working_;
    return true;
}

void TessReportDialog::accept()
{
    if (CanClose()) QDialog::accept();
}

void TessReportDialog::OnCopy()
{
    bool asText = false;
    TessCopySelect choice(this, asText);
    // Whatever closed the choice: Escape and the close box leave the flag false (the image).
    choice.exec();
    if (asText)
        CopyAsText(*this);
    else
        CopyAsImage(*this);
}

void TessReportDialog::OnPrint() { PrintReport(*this); }

bool RunFitReport(QWidget* parent, int32_t channel, IUnknown* dataAccess, const KVI::UnitInfo& sourceUnit,
                  double rawTop, double rawBottom, CalibrationData& working)
{
    TessReportDialog report(parent, channel, dataAccess, sourceUnit, rawTop, rawBottom, working);
    return report.exec() == QDialog::Accepted;
}

}  // namespace Tessar
