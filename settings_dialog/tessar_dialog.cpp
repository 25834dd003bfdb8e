#include "settings_dialog/tessar_dialog.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <boost/bind/bind.hpp>

#include "calibration/calibration_fit.h"
#include "calibration/reference_table.h"
#include "values/units/prefix_table.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/resource_bitmap.h"
#include "foundation/gui/validating_edit.h"
#include "foundation/gui/window_placement.h"
#include "foundation/gui/window_utils.h"
#include "foundation/message_box.h"
#include "resources/string_ids.h"
#include "settings_dialog/drag_scale.h"
#include "settings_dialog/tsicn_button.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "settings_dialog/unit_list_walk.h"
#include "settings_dialog/units_control.h"
#include "ui_TessarDlg.h"

namespace Tessar {
namespace {

KVI::String ModuleText(uint32_t id)
{
    return KVI::LoadString(KVI::ThisModule(), id);
}

// The trace colour when the host names none (the light red of the original palette).
const QColor kDefaultTrace(255, 0, 0);

// The unit entry of a host unit object.
KVI::UnitInfo InfoOfUnit(IUnitName* unit)
{
    KVI::UnitInfo info;
    if (!unit) return info;
    unit->GetPrefix(&info.prefix_);
    unit->GetFlag(&info.flag_);
    info.name_ = KVIControls::UnitText(unit, false);
    return info;
}

}  // namespace

TessarDialog::TessarDialog(QWidget* parent, int32_t channel, IUnitList* units, IHostDocument* document,
                           IHostSelection* selection, CalibrationData* settings)
    : QDialog(parent),
      channel_(channel),
      document_(document),
      selection_(selection),
      units_(units),
      settings_(settings),
      working_(*settings)
{
    Ui::TessarDlg form;
    form.setupUi(this);
    QColor trace = kDefaultTrace;
    platform::ComPtr<IChannelRecord> record;
    uint32_t rgb = 0;
    if (document_ && SUCCEEDED(document_->GetChannelRecord(channel_, record.Put())) && record &&
        SUCCEEDED(record->GetColour(&rgb)))
        trace = QColor::fromRgb(static_cast<QRgb>(rgb));
    if (working_.rawValues_.size() > kRows) hiddenPoints_ = working_.rawValues_.size() - kRows;

    FindControls();
    unitsControl_ = new KVIControls::UnitsControl(this, units_.Get(), boost::bind(&TessarDialog::OnUnitChanged, this));
    decimalEdit_ = new KVI::IntEdit(this);
    decimalEdit_->setFixedWidth(KVI::DialogUnitsX(font(), kDecimalEditWidth));
    pane_ = new UnitConvertDataPane(this, trace);
    const int inset = QFontMetrics(font()).height() / 2 + 2;
    scale_ = std::make_unique<CDragScale>(this, CDragScale::kPaneScaleStyle, 0, -inset, -inset);
    SetupWindow();
    Connect();
}

TessarDialog::~TessarDialog()
{
    if (scale_ && pane_) scale_->UnregisterObserver(pane_->Observer());
}

int TessarDialog::Execute()
{
    return exec();
}

double TessarDialog::DisplayFactor(int32_t prefix)
{
    const double factor = KVI::PrefixFactor(prefix);
    return factor == 0 ? 1.0 : factor;
}

void TessarDialog::FindControls()
{
    for (int i = 0; i < kRows; ++i) {
        rawEdits_[i] = KVI::FindControl<QLineEdit>(this, kRawEditId + i);
        calibratedEdits_[i] = KVI::FindControl<QLineEdit>(this, kCalibratedEditId + i);
        rawEdits_[i]->setMaxLength(kEditTextLimit);
        calibratedEdits_[i]->setMaxLength(kEditTextLimit);
        rawEdits_[i]->installEventFilter(this);
    }
    rawRadio_ = KVI::FindControl<QRadioButton>(this, kRawRadioId);
    calculatedRadio_ = KVI::FindControl<QRadioButton>(this, kCalculatedRadioId);
    fitCombo_ = KVI::FindControl<QComboBox>(this, kFitComboId);
    applyButton_ = KVI::FindControl<QPushButton>(this, kApplyButtonId);
    fitButton_ = KVI::FindControl<QPushButton>(this, kFitButtonId);
    paneFrame_ = KVI::FindControl(this, kPaneFrameId);
    QWidget* upDown = KVI::FindControl(this, kUpDownId);
    spinUp_ = upDown->findChild<QToolButton*>(QStringLiteral("spinUp"));
    spinDown_ = upDown->findChild<QToolButton*>(QStringLiteral("spinDown"));
    // The arrow icons between the edits name their bitmap.
    for (QLabel* label : findChildren<QLabel*>())
        if (const QVariant icon = label->property("resourceIcon"); icon.isValid())
            label->setPixmap(KVI::LoadBitmap(icon.toInt()));
    // The frame only marks where the pane and its scale go.
    QSizePolicy keepPlace = paneFrame_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    paneFrame_->setSizePolicy(keepPlace);
    paneFrame_->hide();
}

void TessarDialog::SetupWindow()
{
    setWindowTitle(KVI::ToQString(ModuleText(StringId::kDialogCaption)) + QString::number(channel_ + 1));
    for (uint32_t kind = 0; kind < 8; ++kind)
        fitCombo_->addItem(KVI::ToQString(ModuleText(StringId::kShortFitName + kind)));
    for (int i = 0; i < kRows; ++i) rowButtons_[i] = new TSICNButton(this, kRowButtonId + i);
    unitsControl_->Fill();

    // The source channel's unit at the selection start (the host's default position without a
    // selection) and its display range.
    int32_t has = 0;
    HostPosition start, end;
    if (selection_ && SUCCEEDED(selection_->HasSelection(&has)) && has)
        selection_->GetSelection(&start, &end);
    platform::ComPtr<IChannelRecord> record;
    if (document_ && SUCCEEDED(document_->GetChannelRecord(channel_, record.Put())) && record) {
        platform::ComPtr<IUnitName> unit;
        if (SUCCEEDED(record->GetUnitAt(has ? &start : nullptr, unit.Put()))) sourceUnit_ = InfoOfUnit(unit.Get());
        record->GetDisplayRange(&sourceTop_, &sourceBottom_);
    }
    sourcePrefixFactor_ = DisplayFactor(sourceUnit_.prefix_);

    layout()->activate();
    PlacePane();
    KVI::PlaceWindow(this, KVI::Placement::kCentred);

    FillControls();
    editRefresh_ = true;
    WriteRows();
    if (working_.calculatedView_ && ReadControls() && CalculatedDisplay())
        FillControls();
    else
        RawDisplay();
    ready_ = true;
}

void TessarDialog::PlacePane()
{
    const QRect frame = paneFrame_->geometry();
    const int inset = QFontMetrics(font()).height() / 2 + 2;
    const int width = scale_->Create() == S_OK ? scale_->PreferredWidth() : 0;
    scale_->SetGeometry(QRect(frame.left(), frame.top(), width, frame.height()));
    const int left = frame.left() + width + 2;
    paneRect_ = QRect(left, frame.top() + inset, frame.right() - left + 1, frame.height() - 2 * inset);
    pane_->setGeometry(paneRect_);
    scale_->RegisterObserver(pane_->Observer());
}

void TessarDialog::Connect()
{
    for (int i = 0; i < kRows; ++i)
        connect(rowButtons_[i], &QPushButton::clicked, this, [this, i] { TakeValueIntoRow(i); });
    connect(KVI::FindControl<QPushButton>(this, kHelpId), &QPushButton::clicked, this, [this] { ShowHelp(); });
    connect(fitButton_, &QPushButton::clicked, this, [this] { OnFit(); });
    connect(rawRadio_, &QRadioButton::clicked, this, [this] { RawDisplay(); });
    connect(calculatedRadio_, &QRadioButton::clicked, this, [this] { Refresh(); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { Refresh(); });
    // The user's choice only: selecting the entry from the record does not refresh.
    connect(fitCombo_, &QComboBox::activated, this, [this](int) { Refresh(); });
    connect(decimalEdit_, &QLineEdit::textChanged, this, [this](const QString&) { OnDecimalPlaces(); });
    connect(spinUp_, &QToolButton::clicked, this, [this] { StepDecimalPlaces(1); });
    connect(spinDown_, &QToolButton::clicked, this, [this] { StepDecimalPlaces(-1); });
    // Typing forgets where a raw value came from; values the dialog writes keep it.
    for (int i = 0; i < kRows; ++i)
        connect(rawEdits_[i], &QLineEdit::textEdited, this, [this, i](const QString&) { rowProvenance_[i] = {}; });
    connect(KVI::FindControl<QPushButton>(this, kDetailsButtonId), &QPushButton::clicked, this, [this] { OnDetails(); });
    connect(KVI::FindControl<QPushButton>(this, kImportButtonId), &QPushButton::clicked, this, [this] { OnImport(); });
    connect(KVI::FindControl<QPushButton>(this, kExportButtonId), &QPushButton::clicked, this, [this] { OnExport(); });
    connect(KVI::FindControl<QPushButton>(this, kOkId), &QPushButton::clicked, this, &QDialog::accept);
    connect(KVI::FindControl<QPushButton>(this, kCancelId), &QPushButton::clicked, this, &QDialog::reject);
}

KVI::UnitValue TessarDialog::ReadRaw(int row) const
{
    return ReadTableValue(KVI::FromQString(rawEdits_[row]->text()), sourceUnit_);
}

KVI::UnitValue TessarDialog::ReadCalibrated(int row) const
{
    return ReadTableValue(KVI::FromQString(calibratedEdits_[row]->text()), working_.unit_);
}

void TessarDialog::WriteValue(QLineEdit* edit, const KVI::UnitValue& value, const KVI::UnitInfo& unit)
{
    if (!editRefresh_ || value.IsInvalid()) return;
    editRefresh_ = false;
    // With an empty unit name only the number is written (Format writes no letter then).
    const KVI::UnitValue shown = value.InUnit(0, unit.name_);
    edit->setText(KVI::ToQString(shown.Format(KVI::PrefixExponent(unit.prefix_))));
    editRefresh_ = true;
}

void TessarDialog::NormaliseRaw(int row)
{
    // In the source unit, with every digit typed: the number the text stands for stays the same.
    const KVI::UnitValue value = ReadRaw(row);
    if (!editRefresh_ || value.IsInvalid()) return;
    editRefresh_ = false;
    WriteExactValue(rawEdits_[row], value.Value(), sourceUnit_);
    editRefresh_ = true;
}

bool TessarDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut)
        for (int i = 0; i < kRows; ++i)
            if (watched == rawEdits_[i]) NormaliseRaw(i);
    return QDialog::eventFilter(watched, event);
}

bool TessarDialog::event(QEvent* event)
{
    if (event->type() == UnitConvertDataPane::kTakeValueEvent) {
        TakeValueIntoFocusedRow();
        return true;
    }
    return QDialog::event(event);
}

void TessarDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    const QPalette& p = palette();
    KVI::Draw3dBorder(painter, paneRect_.adjusted(-1, -1, 1, 1), p.color(QPalette::ButtonText), p.color(QPalette::Button));
    KVI::Draw3dBorder(painter, paneRect_.adjusted(-2, -2, 2, 2), p.color(QPalette::Dark), p.color(QPalette::Light));
}

void TessarDialog::done(int result)
{
    if (result == QDialog::Accepted && !CanClose()) return;
    QDialog::done(result);
}

void TessarDialog::Message(uint32_t stringId) const
{
    KVI::ShowMessage(ModuleText(StringId::kCalcName), ModuleText(stringId), KVI::MessageIcon::Stop);
}

}  // namespace Tessar
