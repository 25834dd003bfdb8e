#include "settings_dialog/add_unit_dlg.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "values/units/prefix_table.h"
#include "values/units/unit_value.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/error_provider.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/window_placement.h"
#include "ui_NewUnitDlg.h"

namespace KVIControls {
namespace {

// A text of the host's resource module; a host without it still gets a usable dialog.
KVI::String HostText(uint32_t id, const char16_t* fallback)
{
    KVI::String text = KVI::LoadString(nullptr, id);
    return text.IsEmpty() ? KVI::String(fallback) : text;
}

QString PrefixEntryText(int32_t prefix)
{
    const std::u16string_view letter = KVI::PrefixText(prefix);
    return QString::fromUtf16(letter.data(), qsizetype(letter.size()));
}

// The list position of a prefix index; indices that name no prefix (0, 1, or outside the
// table) select the entry without prefix.
int PositionOfPrefix(int32_t prefix)
{
    if (prefix < AddUnitDlg::kFirstListedPrefix || !KVI::IsPrefixIndex(prefix)) prefix = KVI::kPrefixPlain;
    return prefix - AddUnitDlg::kFirstListedPrefix;
}

}  // namespace

AddUnitDlg::AddUnitDlg(QWidget* parent, KVI::UnitInfo& unit) : QDialog(parent), unit_(unit)
{
    Ui::NewUnitDlg form;
    form.setupUi(this);
    prefixes_ = KVI::FindControl<QComboBox>(this, kPrefixListId);
    name_ = KVI::FindControl<QLineEdit>(this, kNameEditId);
    exampleLine_ = KVI::FindControl<QLabel>(this, kExampleId);
    ok_ = KVI::FindControl<QPushButton>(this, kOkId);
    errorMark_ = new ErrorProvider(this);
    // The mark keeps its place while hidden, so showing it does not move the edit.
    QSizePolicy keepPlace = errorMark_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    errorMark_->setSizePolicy(keepPlace);
    // An empty example line keeps its height, so the dialog does not shrink when it clears.
    exampleLine_->setMinimumHeight(exampleLine_->fontMetrics().height());
    SetupWindow();
    Connect();
    UpdateExample();
}

AddUnitDlg::~AddUnitDlg() = default;

void AddUnitDlg::SetupWindow()
{
    for (int32_t prefix = kFirstListedPrefix; prefix < kFirstListedPrefix + kPrefixEntries; ++prefix)
        prefixes_->addItem(PrefixEntryText(prefix));
    prefixes_->setCurrentIndex(PositionOfPrefix(unit_.prefix_));
    name_->setText(KVI::ToQString(unit_.name_));
}

void AddUnitDlg::Connect()
{
    connect(prefixes_, &QComboBox::currentIndexChanged, this, [this](int) { UpdateExample(); });
    connect(name_, &QLineEdit::textChanged, this, [this](const QString&) { UpdateExample(); });
    connect(ok_, &QPushButton::clicked, this, [this] { OnOk(); });
    if (auto* cancel = KVI::FindControl<QPushButton>(this, kCancelId))
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

KVI::UnitInfo AddUnitDlg::ReadUnit() const
{
    KVI::UnitInfo unit;
    const int position = prefixes_->currentIndex();
    unit.prefix_ = position >= 0 ? position + kFirstListedPrefix : KVI::kPrefixPlain;
    unit.name_ = KVI::FromQString(name_->text());
    unit.flag_ = 0;
    return unit;
}

QString AddUnitDlg::ExampleValue(const KVI::UnitInfo& unit)
{
    // Scaling normalises, so the value is written in the unit's own prefix: 499 m, not 0.499.
    const KVI::UnitValue value =
        KVI::UnitValue(kExampleValue, 0, unit.name_).ScaledBy(KVI::PrefixExponent(unit.prefix_));
    return KVI::ToQString(value.FormatExample());
}

void AddUnitDlg::UpdateExample()
{
    const KVI::UnitInfo unit = ReadUnit();
    const bool missing = unit.name_.IsEmpty();
    errorMark_->SetError(missing, HostText(kIdsNameMissingTitle, u"Unit name required"),
                         HostText(kIdsNameMissingText, u"Type the name of the unit without its prefix."));
    ok_->setEnabled(!missing);
    example_ = missing ? QString()
                       : KVI::ToQString(HostText(kIdsExample, u"Example: ")) + ExampleValue(unit);
    ShowExample();
}

void AddUnitDlg::ShowExample()
{
    // A long name must not widen the dialog: the line shows what fits and the whole text on hover.
    const int width = exampleLine_->contentsRect().width();
    const QString shown = exampleLine_->fontMetrics().elidedText(example_, Qt::ElideRight, width);
    exampleLine_->setText(shown);
    exampleLine_->setToolTip(shown == example_ ? QString() : example_);
}

void AddUnitDlg::OnOk()
{
    const KVI::UnitInfo unit = ReadUnit();
    if (unit.name_.IsEmpty()) return;  // OK is disabled then; Enter must not get round that
    unit_ = unit;
    accept();
}

void AddUnitDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!placed_) {
        placed_ = true;
        KVI::PlaceWindow(this, KVI::Placement::kCentred);
    }
    ShowExample();
}

void AddUnitDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowExample();
}

}  // namespace KVIControls
