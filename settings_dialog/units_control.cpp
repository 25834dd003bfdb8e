#include "settings_dialog/units_control.h"

#include <algorithm>
#include <utility>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include "values/units/prefix_table.h"
#include "values/units/unit_entry.h"
#include "foundation/gui/qt_string.h"
#include "resources/string_ids.h"
#include "settings_dialog/add_unit_dlg.h"
#include "settings_dialog/delete_units_dlg.h"
#include "settings_dialog/unit_list_walk.h"

namespace KVIControls {
namespace {

static_assert(UnitsControl::kChunk == int(kUnitWalkChunk), "the control walks the unit list in kUnitWalkChunk units");

// Texts of the host's resource module (the null module), with the module's own copies where it
// has them.
constexpr uint32_t kHostDefineUnit = 9744;
constexpr uint32_t kHostDeleteUnit = 9745;
constexpr uint32_t kHostUnitWithoutName = 8429;

QString HostText(uint32_t hostId, uint32_t moduleId)
{
    KVI::String text = KVI::LoadString(nullptr, hostId);
    if (text.IsEmpty() && moduleId != 0) text = KVI::LoadString(KVI::ThisModule(), moduleId);
    return KVI::ToQString(text);
}

// The unit's three fields; the empty unit's for fields the unit will not give.
KVI::UnitInfo ReadUnit(IUnitName* unit)
{
    KVI::UnitInfo info;
    int32_t value = 0;
    if (SUCCEEDED(unit->GetFlag(&value))) info.flag_ = value;
    if (SUCCEEDED(unit->GetPrefix(&value))) info.prefix_ = value;
    info.name_ = UnitText(unit, false);
    return info;
}

platform::ComPtr<IUnitName> NewUnitObject(const KVI::UnitInfo& info)
{
    return platform::ComPtr<IUnitName>(new KVI::UnitEntry(info));
}

}  // namespace

UnitsControl::UnitsControl(QWidget* dialog, IUnitList* units, UnitChanged onUnitChanged)
    : MenuCombo(dialog, kControlId), units_(units), onUnitChanged_(std::move(onUnitChanged))
{
    // Activation is the user's choice only; selecting entries from code never calls back.
    connect(this, &QComboBox::activated, this, [this](int) { OnSelectionChange(); });
    Fill();
}

UnitsControl::~UnitsControl() = default;

void UnitsControl::AddUnitEntry(IUnitName* unit)
{
    int32_t prefix = KVI::kPrefixNone;
    unit->GetPrefix(&prefix);
    int32_t listIndex = -1;
    if (FAILED(units_->IndexOf(0, unit, &listIndex))) listIndex = -1;

    const int entry = AddItem(KVI::ToQString(UnitText(unit, true)));
    setItemData(entry, listIndex, kUnitIndexRole);
    setItemData(entry, QString::fromUtf16(KVI::PrefixText(prefix).data(), qsizetype(KVI::PrefixText(prefix).size())),
                kPrefixRole);
    setItemData(entry, KVI::ToQString(UnitText(unit, false)), kNameRole);
}

void UnitsControl::Fill()
{
    ClearItems();
    definePosition_ = deletePosition_ = -1;

    int listed = 0;
    ForEachUnit(units_.Get(), [&](IUnitName* unit, int32_t) {
        AddUnitEntry(unit);
        ++listed;
    });
    if (listed > 0) AddSeparator();
    definePosition_ = AddItem(HostText(kHostDefineUnit, Tessar::StringId::kDefineUnit));
    deletePosition_ = AddItem(HostText(kHostDeleteUnit, Tessar::StringId::kDeleteUnit));
    view()->setMinimumWidth(kDroppedWidth);
    // Only find here: the unit was added (or refused) before the fill that follows it, and a
    // unit list that accepts a unit yet cannot find it must not make fills call each other.
    SelectUnit(false);
}

void UnitsControl::SetUnit(const KVI::UnitInfo& unit)
{
    current_ = unit;
    SelectUnit(true);
}

void UnitsControl::SelectUnit(bool mayAdd)
{
    if (!units_) {
        setCurrentIndex(-1);
        return;
    }
    const platform::ComPtr<IUnitName> unit = NewUnitObject(current_);
    int32_t index = -1;
    if (SUCCEEDED(units_->IndexOf(0, unit.Get(), &index)) && index >= 0) {
        SetSelection(index);
        return;
    }
    // Nothing stays selected, so the field never shows another unit than the current one.
    setCurrentIndex(-1);
    // A unit without a name is "no unit": it is never offered to the host's list.
    if (mayAdd && !current_.name_.IsEmpty() && SUCCEEDED(units_->Add(0, unit.Get(), nullptr))) Fill();
}

void UnitsControl::OnSelectionChange()
{
    const int entry = currentIndex();
    if (entry >= 0 && entry == definePosition_) {
        SelectUnit(false);
        DefineUnit();
    } else if (entry >= 0 && entry == deletePosition_) {
        SelectUnit(false);
        DeleteUnit();
    } else {
        const int i = GetSelection();
        int32_t count = 0;
        if (!units_ || FAILED(units_->GetCount(0, &count))) count = 0;
        platform::ComPtr<IUnitName> unit;
        if (i >= 0 && i < count && SUCCEEDED(units_->GetAt(0, i, unit.Put())) && unit)
            current_ = ReadUnit(unit.Get());
        else
            current_ = KVI::UnitInfo::Empty();
    }
    if (onUnitChanged_) onUnitChanged_();
}

void UnitsControl::DefineUnit()
{
    KVI::UnitInfo unit;
    unit.flag_ = 0;
    unit.prefix_ = KVI::kPrefixPlain;
    unit.name_ = KVI::String(u"V");
    AddUnitDlg dialog(this, unit);
    if (dialog.Execute() != QDialog::Accepted || unit.name_.IsEmpty()) return;

    const platform::ComPtr<IUnitName> entry = NewUnitObject(unit);
    if (units_ && SUCCEEDED(units_->Add(0, entry.Get(), nullptr))) {
        current_ = unit;
        Fill();
    } else {
        // Refused: it is still the unit the user asked for, kept current without an entry.
        SetUnit(unit);
    }
}

void UnitsControl::DeleteUnit()
{
    DeleteUnitsDlg dialog(this, units_.Get());
    if (dialog.Execute() != QDialog::Accepted) return;
    int32_t index = -1;
    const platform::ComPtr<IUnitName> unit = NewUnitObject(current_);
    if (!units_ || FAILED(units_->IndexOf(0, unit.Get(), &index)) || index < 0) current_ = KVI::UnitInfo::Empty();
    Fill();
}

void UnitsControl::DrawItem(QPainter& painter, const ItemDraw& item) const
{
    const QVariant listIndex = itemData(item.index, kUnitIndexRole);
    if (IsSeparator(item.index) || !listIndex.isValid()) {
        MenuCombo::DrawItem(painter, item);
        return;
    }
    const QColor textColour = FillItemBackground(painter, item);
    const QFont font = ItemFont(false);
    const QFontMetrics fm(font);
    painter.setFont(font);
    painter.setPen(textColour);

    const int margin = ItemMargin();
    const int column = PrefixColumnWidth(fm);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    const QRect prefixRect(item.rect.left() + margin, item.rect.top(), column, item.rect.height());
    painter.drawText(prefixRect, flags | Qt::AlignRight, itemData(item.index, kPrefixRole).toString());

    QString name = itemData(item.index, kNameRole).toString();
    if (name.isEmpty()) name = HostText(kHostUnitWithoutName, 0);
    const QRect nameRect = item.rect.adjusted(margin + column, 0, -margin, 0);
    painter.drawText(nameRect, flags | Qt::AlignLeft, fm.elidedText(name, Qt::ElideRight, nameRect.width()));
    DrawFocus(painter, item);
}

int UnitsControl::ItemMargin() const
{
    // The margin item views keep between an entry's text and its sides.
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

int UnitsControl::PrefixColumnWidth(const QFontMetrics& metrics)
{
    int widest = metrics.horizontalAdvance(QLatin1Char('M'));
    for (int32_t index = 0; index < KVI::kPrefixCount; ++index) {
        const std::u16string_view letter = KVI::PrefixText(index);
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf16(letter.data(), qsizetype(letter.size()))));
    }
    return widest + 2;
}

}  // namespace KVIControls
