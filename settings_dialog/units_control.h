// KVIControls::UnitsControl: the drop-down list in which the user picks the calibrated unit. It
// lists the host's units (its unit list, interfaces/unit_list.h), then a separator and
// the two commands "Define Unit..." and "Delete Unit...", and tells its owner through a
// callback whenever the user picks an entry. Always bound to dialog control 101.
#pragma once

#include <boost/function.hpp>

#include "interfaces/unit_list.h"
#include "values/units/unit_info.h"
#include "foundation/gui/menu_combo.h"
#include "platform/com_ptr.h"

namespace KVIControls {

class UnitsControl : public MenuCombo {
public:
    // The callback the owner is told through when the user has picked an entry (a unit or a
    // command); made with boost::bind from one of the owner's member functions.
    using UnitChanged = boost::function<void()>;

    static constexpr int kDroppedWidth = 105;  // the open list's least width, in pixels
    static constexpr int kChunk = 16;          // units asked from the enumerator at a time
    // Item data of a unit entry: its index in the unit list, its prefix text and its name.
    static constexpr int kUnitIndexRole = Qt::UserRole;
    static constexpr int kPrefixRole = Qt::UserRole + 1;
    static constexpr int kNameRole = Qt::UserRole + 2;

    // [in] dialog: the dialog whose control 101 this control replaces (see control_id.h);
    // units: the host's unit list, held with one reference (may be null: the list then has
    // only the commands); onUnitChanged: may be empty. Fills the list; the current unit is the
    // empty unit and nothing is selected.
    UnitsControl(QWidget* dialog, IUnitList* units, UnitChanged onUnitChanged);
    ~UnitsControl() override;

    // Makes unit the current unit and selects its entry. A unit the list does not have is added
    // to it and the list is filled again; when the list refuses it (or it has no name) it stays
    // the current unit without an entry and nothing is selected.
    void SetUnit(const KVI::UnitInfo& unit);
    const KVI::UnitInfo& CurrentUnit() const { return current_; }

    // Fills the list again from the unit list and selects the current unit when listed.
    void Fill();

    // List positions of the two commands (-1 before the first fill).
    int DefineUnitPosition() const { return definePosition_; }
    int DeleteUnitPosition() const { return deletePosition_; }

    // A unit entry: its prefix right-aligned in a column as wide as "M" plus 2 pixels, then its
    // name (host string 8429 for a unit without a name), both kept ItemMargin() pixels from the
    // entry's sides as a list's texts are. Separators and commands are drawn by the menu combo.
    // NOTE: the column is as wide as the widest prefix letter plus 2 pixels: "M" in the
    // templates' font, but in others "m" is wider and would touch the list's border.
    void DrawItem(QPainter& painter, const ItemDraw& item) const override;
    int ItemMargin() const;
    static int PrefixColumnWidth(const QFontMetrics& metrics);

protected:
    // The user picked an entry (the combo box's activation). A command reselects the current
    // unit and runs its dialog; a unit entry becomes the current unit (the empty unit for an
    // index past the unit list). The callback follows in every case.
    virtual void OnSelectionChange();

private:
    void AddUnitEntry(IUnitName* unit);
    // Selects the entry of unit; with mayAdd, a unit the list lacks is added and the list
    // filled again. Selects nothing when the unit has no entry.
    void SelectUnit(bool mayAdd);
    void DefineUnit();
    void DeleteUnit();

    platform::ComPtr<IUnitList> units_;
    KVI::UnitInfo current_;
    UnitChanged onUnitChanged_;
    int definePosition_ = -1;
    int deletePosition_ = -1;
};

}  // namespace KVIControls
