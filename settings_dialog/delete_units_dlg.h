// KVIControls::DeleteUnitsDlg: the "Delete Unit" dialog (template DelUnitDlg). It lists the
// host's units that have a name, in the unit list's own order; "&Delete" takes the selected
// entries out of the list box and notes them, and OK removes the noted units from the host's
// unit list. Cancel removes nothing, whatever was taken out of the list box.
//
// Controls, by id: 101 the list (KVIControls::UnitList), 102 "&Delete", 1 OK, 2 Cancel.
#pragma once

#include <cstdint>
#include <vector>

#include <QDialog>
#include <QListWidget>

#include "interfaces/unit_list.h"
#include "platform/com_ptr.h"

namespace KVIControls {

// The list box of the Delete Unit dialog (control 101): several entries can be selected (with
// Shift and Ctrl), each entry is as high as the list's font's text height plus its leading plus
// 2 pixels and is drawn in that font, selected entries on the highlight colour.
class UnitList : public QListWidget {
public:
    static constexpr int kControlId = 101;
    // Item data of an entry: the unit's index in the host's unit list.
    static constexpr int kUnitIndexRole = Qt::UserRole;

    // Binds to the dialog's control 101 (see control_id.h), taking its place; when the dialog
    // has none (the template creates the UnitList itself), it just becomes control 101.
    explicit UnitList(QWidget* dialog = nullptr);

    // Appends an entry showing text, with the unit's index as item data.
    void AddUnit(const QString& text, int32_t unitIndex);
    int32_t UnitIndexAt(int row) const;
    // The height of every entry.
    int EntryHeight() const;
};

class DeleteUnitsDlg : public QDialog {
public:
    static constexpr int kDeleteId = 102;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    // [in] parent: the units control (the dialog is centred over its window when shown).
    // [in] units: the host's unit list, held with one reference while the dialog lives (null:
    // an empty dialog that removes nothing). [in] notify: an object the caller may want told
    // about removals; held with one reference, nothing is asked of it (the units control
    // passes none and fills itself again after OK).
    DeleteUnitsDlg(QWidget* parent, IUnitList* units, IUnknown* notify = nullptr);
    ~DeleteUnitsDlg() override;

    // Runs the dialog modally. QDialog::Accepted (1, the host's IDOK) when the user confirmed,
    // QDialog::Rejected otherwise.
    int Execute() { return exec(); }

    // The unit indices "&Delete" has noted so far, in the order noted.
    const std::vector<int32_t>& PendingDeletions() const { return pending_; }

    // Removes the units at the given indices of the list: every unit is looked up first, then
    // the units are removed one by one in ascending index order. Looking them all up first
    // means a list that moves later units down when one is removed still loses exactly the
    // units the indices named. An index the list has no unit for is skipped. Returns how many
    // removals the list reported as done (S_OK).
    static int RemoveUnits(IUnitList* units, std::vector<int32_t> indices);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Fill();
    void OnDelete();
    void OnOk();

    platform::ComPtr<IUnitList> units_;
    platform::ComPtr<IUnknown> notify_;
    UnitList* list_ = nullptr;
    std::vector<int32_t> pending_;
    bool placed_ = false;
};

}  // namespace KVIControls
