#include "settings_dialog/delete_units_dlg.h"

#include <algorithm>
#include <functional>

#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QStyledItemDelegate>

#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/gui/window_placement.h"
#include "settings_dialog/unit_list_walk.h"
#include "ui_DelUnitDlg.h"

namespace KVIControls {
namespace {

// Draws the entries of a UnitList: the text in the list's font, on the highlight colour when
// selected, with a focus rectangle on the current entry while the list has the focus.
class UnitListDelegate : public QStyledItemDelegate {
public:
    explicit UnitListDelegate(UnitList* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QPalette& pal = list_->palette();
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, pal.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(list_->font());
        const QRect text = option.rect.adjusted(kTextInset, 0, -kTextInset, 0);
        const QString shown =
            list_->fontMetrics().elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, text.width());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        if ((option.state & QStyle::State_HasFocus) && list_->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(list_);
            focus.rect = option.rect;
            focus.backgroundColor = pal.color(selected ? QPalette::Highlight : QPalette::Base);
            list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, list_);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        return QSize(list_->fontMetrics().horizontalAdvance(text) + 2 * kTextInset, list_->EntryHeight());
    }

private:
    static constexpr int kTextInset = 2;
    UnitList* list_;
};

}  // namespace

UnitList::UnitList(QWidget* dialog) : QListWidget(dialog)
{
    KVI::BindControl(dialog, kControlId, this);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setItemDelegate(new UnitListDelegate(this));
}

void UnitList::AddUnit(const QString& text, int32_t unitIndex)
{
    auto* entry = new QListWidgetItem(text, this);
    entry->setData(kUnitIndexRole, unitIndex);
}

int32_t UnitList::UnitIndexAt(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(kUnitIndexRole).toInt() : -1;
}

int UnitList::EntryHeight() const
{
    const QFontMetrics fm = fontMetrics();
    return fm.height() + std::max(0, fm.leading()) + 2;
}

DeleteUnitsDlg::DeleteUnitsDlg(QWidget* parent, IUnitList* units, IUnknown* notify)
    : QDialog(parent), units_(units), notify_(notify)
{
    Ui::DelUnitDlg form;
    form.setupUi(this);
    // The template makes the list itself; a template with a plain list box gets it replaced.
    list_ = KVI::FindControl<UnitList>(this, UnitList::kControlId);
    if (!list_) list_ = new UnitList(this);
    pending_.reserve(8);
    if (auto* button = KVI::FindControl<QPushButton>(this, kDeleteId))
        connect(button, &QPushButton::clicked, this, [this] { OnDelete(); });
    if (auto* button = KVI::FindControl<QPushButton>(this, kOkId))
        connect(button, &QPushButton::clicked, this, [this] { OnOk(); });
    if (auto* button = KVI::FindControl<QPushButton>(this, kCancelId))
        connect(button, &QPushButton::clicked, this, &QDialog::reject);
    Fill();
}

DeleteUnitsDlg::~DeleteUnitsDlg() = default;

void DeleteUnitsDlg::Fill()
{
    list_->clear();
    ForEachUnit(units_.Get(), [this](IUnitName* unit, int32_t position) {
        const KVI::String name = UnitText(unit, false);
        if (name.IsEmpty()) return;  // "no unit" is not the user's to delete
        // The list's own answer, as the units control asks it; the walk's position when it has none.
        int32_t index = -1;
        if (FAILED(units_->IndexOf(0, unit, &index)) || index < 0) index = position;
        list_->AddUnit(KVI::ToQString(UnitText(unit, true)), index);
    });
}

void DeleteUnitsDlg::OnDelete()
{
    std::vector<int> rows;
    for (const QModelIndex& selected : list_->selectionModel()->selectedRows()) rows.push_back(selected.row());
    // From the last row up, so the rows still to take keep their places.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : rows) {
        pending_.push_back(list_->UnitIndexAt(row));
        delete list_->takeItem(row);
    }
}

int DeleteUnitsDlg::RemoveUnits(IUnitList* units, std::vector<int32_t> indices)
{
    if (!units) return 0;
    std::sort(indices.begin(), indices.end());
    // Every unit is fetched before any is removed: the indices describe the list as it was.
    std::vector<platform::ComPtr<IUnitName>> doomed;
    doomed.reserve(indices.size());
    for (const int32_t index : indices) {
        platform::ComPtr<IUnitName> unit;
        if (SUCCEEDED(units->GetAt(0, index, unit.Put())) && unit) doomed.push_back(std::move(unit));
    }
    int removed = 0;
    for (const auto& unit : doomed)
        if (units->Remove(0, unit.Get()) == S_OK) ++removed;
    return removed;
}

void DeleteUnitsDlg::OnOk()
{
    RemoveUnits(units_.Get(), pending_);
    accept();
}

void DeleteUnitsDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!placed_) {
        placed_ = true;
        KVI::PlaceWindow(this, KVI::Placement::kCentred);
    }
}

}  // namespace KVIControls
