// KVIControls::AddUnitDlg: the "Define Unit" dialog (template NewUnitDlg). The user picks a prefix
// and types a unit name; a line below shows how a value in that unit is written ("Example:
// 499 mV"). OK is possible only with a name; an empty name shows the error mark beside "&Unit:".
//
// Controls, by id: 102 the prefix list, 103 the unit name, 104 the example line, 105 the error
// mark (KVIControls::ErrorProvider), 1 OK, 2 Cancel.
#pragma once

#include <cstdint>

#include <QDialog>
#include <QString>

#include "values/units/unit_info.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace KVIControls {

class ErrorProvider;

class AddUnitDlg : public QDialog {
public:
    static constexpr int kPrefixListId = 102;
    static constexpr int kNameEditId = 103;
    static constexpr int kExampleId = 104;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    // The prefix list holds the prefix indices 2..14 in table order: position = index - 2.
    static constexpr int kFirstListedPrefix = 2;
    static constexpr int kPrefixEntries = 13;
    // The value of the example, in the chosen unit.
    static constexpr double kExampleValue = 499;

    // Strings of the host's resource module (the null module): the error mark's title and
    // message, and the text before the example value. Texts of our own stand in when the host
    // does not have them.
    static constexpr uint32_t kIdsNameMissingTitle = 8422;
    static constexpr uint32_t kIdsNameMissingText = 8423;
    static constexpr uint32_t kIdsExample = 8424;

    // [in] parent: the units control (the dialog is centred over its window when shown).
    // [in,out] unit: read now for the initial prefix and name (a prefix index below 2, or any
    // index outside the table, selects the entry without prefix); receives the defined unit
    // (flag 0, the chosen prefix index, the typed name) on OK, and is left alone otherwise.
    // The reference must outlive the dialog.
    AddUnitDlg(QWidget* parent, KVI::UnitInfo& unit);
    ~AddUnitDlg() override;

    // Runs the dialog modally. QDialog::Accepted (1, the host's IDOK) when the user confirmed,
    // QDialog::Rejected otherwise.
    int Execute() { return exec(); }

    // The unit the controls describe now: flag 0, the selected prefix, the typed name.
    KVI::UnitInfo ReadUnit() const;
    // What the example line says, in full (the line itself may cut it with an ellipsis when the
    // name is too long for the dialog); empty while the name is empty.
    const QString& ExampleText() const { return example_; }
    // The example value for a unit: 499 in that unit, normalised, with three significant digits
    // ("499 mV" for prefix m and name V).
    static QString ExampleValue(const KVI::UnitInfo& unit);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetupWindow();
    void Connect();
    void UpdateExample();
    void ShowExample();
    void OnOk();

    KVI::UnitInfo& unit_;
    QComboBox* prefixes_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* exampleLine_ = nullptr;
    QPushButton* ok_ = nullptr;
    ErrorProvider* errorMark_ = nullptr;
    QString example_;
    bool placed_ = false;
};

}  // namespace KVIControls
