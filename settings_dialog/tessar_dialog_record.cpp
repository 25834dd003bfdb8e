// TessarDialog: what a laboratory keeps with a calibration: the points' provenance, the Details
// dialog and its zero offset, the calibration date, the expiry warning, and the points and
// calibration files.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSaveFile>
#include <QShowEvent>
#include <QTimer>

#include "calibration/calibration_dates.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_fit.h"
#include "calibration/evaluators.h"
#include "calibration/outside_rule.h"
#include "calibration/reference_table.h"
#include "foundation/gui/qt_string.h"
#include "foundation/message_box.h"
#include "resources/string_ids.h"
#include "settings_dialog/details_dlg.h"
#include "settings_dialog/pane_geometry.h"
#include "settings_dialog/point_texts.h"
#include "settings_dialog/selection_reader.h"
#include "settings_dialog/tessar_dialog.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "values/units/prefix_table.h"

namespace Tessar {
namespace {

// A points file larger than this is no table of twelve points.
constexpr qint64 kMostPointsFileBytes = 1 << 20;

// The selection's samples as the host gives them (base units), for computing with.
class RawSamples final : public SelectionSink {
public:
    std::vector<float> samples;
    void ClearSamples() override { samples.clear(); }
    void SetState(int32_t) override {}
    void LoadSamples(IEnumFloatEx* stream, double factor) override
    {
        PaneGeometry::AppendScaledSamples(stream, factor, samples);
    }
};

bool IsCalibrationFileName(const QString& path)
{
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

// The fields the Details dialog edits.
void CopyKeepingFields(const CalibrationData& from, CalibrationData& to)
{
    to.rangePolicy_ = from.rangePolicy_;
    to.zeroOffset_ = from.zeroOffset_;
    to.weights_ = from.weights_;
    to.calibrationDate_ = from.calibrationDate_;
    to.dueDate_ = from.dueDate_;
    to.validityDays_ = from.validityDays_;
    to.certificate_ = from.certificate_;
    to.operator_ = from.operator_;
    to.note_ = from.note_;
}

// True when what the fit is computed from differs.
bool FitInputsDiffer(const CalibrationData& a, const CalibrationData& b)
{
    return a.rawValues_ != b.rawValues_ || a.calibratedValues_ != b.calibratedValues_ || a.fitKind_ != b.fitKind_ ||
           a.forceOrigin_ != b.forceOrigin_ || a.weights_ != b.weights_;
}

}  // namespace

void TessarDialog::Tell(const QString& text, bool warning) const
{
    KVI::ShowMessage(KVI::LoadString(KVI::ThisModule(), StringId::kCalcName), KVI::FromQString(text),
                     warning ? KVI::MessageIcon::Warning : KVI::MessageIcon::Stop);
}

void TessarDialog::WriteExactValue(QLineEdit* edit, double base, const KVI::UnitInfo& unit)
{
    const int32_t exponent = KVI::PrefixExponent(unit.prefix_);
    QString text = QString::fromStdString(ShiftedNumberText(base, exponent));
    if (!unit.name_.IsEmpty()) {
        text += QLatin1Char(' ');
        if (const char32_t letter = KVI::LetterOfExponent(exponent); letter != KVI::kNoLetter)
            text += QString::fromUcs4(&letter, 1);
        text += KVI::ToQString(unit.name_);
    }
    edit->setText(text);
}

void TessarDialog::WriteRows()
{
    const std::size_t count = std::min(working_.rawValues_.size(), working_.calibratedValues_.size());
    const bool kept = working_.provenance_.size() == working_.rawValues_.size();
    for (int i = 0; i < kRows; ++i) {
        const auto row = static_cast<std::size_t>(i);
        rowProvenance_[i] = kept && row < count ? working_.provenance_[row] : PointProvenance{};
        if (row < count) {
            WriteExactValue(rawEdits_[i], working_.rawValues_[row], sourceUnit_);
            WriteExactValue(calibratedEdits_[i], working_.calibratedValues_[row], working_.unit_);
        } else {
            rawEdits_[i]->clear();
            calibratedEdits_[i]->clear();
        }
    }
}

PointProvenance TessarDialog::SpanProvenance() const
{
    PointProvenance p;
    if (pane_->Samples().empty()) return p;
    // The pane shows the prefixed unit; the record keeps base units.
    const double toBase = std::pow(10.0, KVI::PrefixExponent(sourceUnit_.prefix_));
    p.measured = true;
    p.mean = pane_->CurrentValue() * toBase;
    p.sd = pane_->StandardDeviation() * toBase;
    p.count = pane_->LastSpanIndex() - pane_->FirstSpanIndex() + 1;
    // A span that runs on into the next block keeps the block it starts in.
    if (const auto first = pane_->OriginOf(pane_->FirstSpanIndex())) {
        p.block = first->block;
        p.firstSample = first->sample;
        const auto last = pane_->OriginOf(pane_->LastSpanIndex());
        p.lastSample = last && last->block == first->block ? last->sample + 1 : first->sample + p.count;
    }
    return p;
}

void TessarDialog::DateAcceptedFit()
{
    if (dateChosen_) return;
    if (FitInputsDiffer(working_, *settings_) || working_.calibrationDate_.IsEmpty())
        working_.calibrationDate_ = KVI::String::FromUtf8(FormatIsoDate(Today()));
}

void TessarDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (expiryChecked_) return;
    expiryChecked_ = true;
    // After the dialog is on the screen, so the warning stands in front of it.
    QTimer::singleShot(0, this, [this] { WarnIfExpired(); });
}

void TessarDialog::WarnIfExpired()
{
    const int64_t today = Today();
    if (!IsExpired(working_, today)) return;
    const int64_t due = DueDay(working_).value_or(today);
    Tell(QStringLiteral("This calibration was due on %1 (%2 days ago). Its values may no longer be right.\n\n"
                        "To renew it, take new reference points from a recording of the standards, fit them and "
                        "press OK (which dates the calibration today), then set its new due date or validity "
                        "with Details...")
             .arg(QString::fromStdString(FormatIsoDate(due)))
             .arg(today - due),
         true);
}

void TessarDialog::OnDetails()
{
    ReadTable();
    DetailsDlg details(this, working_, working_.unit_,
                       [this](const CalibrationData& record) { return SpanCalibratedMean(record); }, Today());
    if (details.exec() != QDialog::Accepted) return;
    CopyKeepingFields(details.Edited(), working_);
    if (details.DateChanged()) dateChosen_ = true;
    // The policy, the offset and the weights change the calibrated channel shown.
    if (working_.calculatedView_) Refresh();
}

std::optional<double> TessarDialog::SpanCalibratedMean(const CalibrationData& record)
{
    if (pane_->Samples().empty()) {
        Tell(QStringLiteral("Select a span of the recording in the pane first: Zero shifts the calibration so that "
                            "the span's mean reads the value you type."));
        return std::nullopt;
    }
    CalibrationData probe = record;
    if (const uint32_t message = CheckReferenceTable(RawTexts(), probe); message != 0) {
        Message(message);
        return std::nullopt;
    }
    if (!FitCalibration(probe)) {
        Message(StringId::kFitFailed);
        return std::nullopt;
    }
    RawSamples samples;
    SelectionReader(document_.Get(), selection_.Get(), channel_).Read(samples, 1.0);
    const auto first = static_cast<std::size_t>(pane_->FirstSpanIndex());
    const auto last = static_cast<std::size_t>(pane_->LastSpanIndex());
    if (last >= samples.samples.size() || first > last) return std::nullopt;
    const float* span = samples.samples.data() + first;
    const std::size_t count = last - first + 1;
    std::vector<double> values(span, span + count);
    OutsideRule rule = OutsideRule::Of(probe);
    rule.offset = 0;
    rule.Prepare(values.data(), values.data() + count);
    if (!EvaluateCalibration(probe.fitKind_, probe.coefficients_, values.data(), values.data() + count)) {
        Message(StringId::kFitFailed);
        return std::nullopt;
    }
    rule.Finish(span, values.data(), count);
    double sum = 0;
    std::size_t finite = 0;
    for (const double v : values)
        if (std::isfinite(v)) sum += v, ++finite;
    if (finite == 0) {
        Tell(QStringLiteral("The selected span has no calibrated value (it lies outside the points, which the range "
                            "policy blanks): select a span within them."));
        return std::nullopt;
    }
    return sum / static_cast<double>(finite);
}

QString TessarDialog::ChooseFile(bool save)
{
    QFileDialog dialog(this, save ? QStringLiteral("Export Points or Calibration")
                                  : QStringLiteral("Import Points or Calibration"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({QStringLiteral("Points (*.csv)"), QStringLiteral("Calibration files (*.json)"),
                           QStringLiteral("All files (*)")});
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void TessarDialog::ReplaceRows(const std::vector<double>& raw, const std::vector<double>& calibrated,
                               const std::vector<PointProvenance>& provenance)
{
    working_.rawValues_ = raw;
    working_.calibratedValues_ = calibrated;
    working_.provenance_ = provenance;
    hiddenPoints_ = 0;
    WriteRows();
}

void TessarDialog::OnImport()
{
    const QString path = ChooseFile(false);
    if (path.isEmpty()) return;
    if (IsCalibrationFileName(path)) {
        CalibrationData read;
        if (const std::string error = ReadCalibrationFileAt(path.toStdString(), read); !error.empty()) {
            Tell(QString::fromStdString(error));
            return;
        }
        if (read.rawValues_.size() > static_cast<std::size_t>(kRows)) {
            Tell(QStringLiteral("%1 has %2 points; the table holds at most %3. Nothing was imported.")
                     .arg(path)
                     .arg(read.rawValues_.size())
                     .arg(kRows));
            return;
        }
        // The calibration applies to this dialog's channel; the file's dates stand.
        read.channel_ = channel_;
        working_ = read;
        dateChosen_ = true;
        FillControls();
        ReplaceRows(read.rawValues_, read.calibratedValues_, read.provenance_);
        Refresh();
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Tell(QStringLiteral("Cannot read the points file %1: %2").arg(path, file.errorString()));
        return;
    }
    const QByteArray text = file.read(kMostPointsFileBytes + 1);
    ReadTable();
    std::vector<ImportedPoint> points;
    std::string error = text.size() > kMostPointsFileBytes
                            ? std::string("the file is larger than a table of reference points can be")
                            : ReadPointsCsv(std::string_view(text.constData(), std::size_t(text.size())), sourceUnit_,
                                            working_.unit_, kRows, points);
    if (!error.empty()) {
        Tell(QStringLiteral("The points file %1 was not imported: %2. The table is unchanged.")
                 .arg(path, QString::fromStdString(error)));
        return;
    }
    std::vector<double> raw, calibrated;
    std::vector<PointProvenance> provenance;
    for (const ImportedPoint& p : points) {
        raw.push_back(p.raw);
        calibrated.push_back(p.calibrated);
        PointProvenance kept;
        if (p.sd) {
            kept.measured = true;
            kept.mean = p.raw;
            kept.sd = *p.sd;
        }
        provenance.push_back(kept);
    }
    ReplaceRows(raw, calibrated, provenance);
    Refresh();
}

void TessarDialog::OnExport()
{
    const QString path = ChooseFile(true);
    if (path.isEmpty()) return;
    ReadTable();
    if (IsCalibrationFileName(path)) {
        if (!CheckTable(true) || !Fit(true)) return;
        if (const std::string error = WriteCalibrationFileAt(path.toStdString(), working_); !error.empty())
            Tell(QString::fromStdString(error));
        return;
    }
    if (working_.rawValues_.empty()) {
        Tell(QStringLiteral("The table has no complete rows to export."));
        return;
    }
    const std::string text = PointsCsvText(working_, sourceUnit_, working_.unit_);
    // Written whole or not at all: a temporary beside the file, renamed over it at the end.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
        !file.commit())
        Tell(QStringLiteral("Cannot write the points file %1: %2").arg(path, file.errorString()));
}

}  // namespace Tessar
