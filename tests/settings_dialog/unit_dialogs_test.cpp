// The Define Unit and Delete Unit dialogs, alone and run from the units control, driven
// offscreen with real mouse and key events.
#include <gtest/gtest.h>

#include <boost/bind/bind.hpp>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include "values/units/prefix_table.h"
#include "values/units/unit_entry.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/error_provider.h"
#include "foundation/gui/qt_string.h"
#include "host/zor/unit_list.h"
#include "platform/string_table.h"
#include "settings_dialog/add_unit_dlg.h"
#include "settings_dialog/delete_units_dlg.h"
#include "settings_dialog/unit_list_walk.h"
#include "settings_dialog/units_control.h"
#include "tests/settings_dialog/units_control_owner.h"
#include "tests/support/gui_test_util.h"
#include "tests/support/stub_unit_list.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using KVI::UnitInfo;
using KVIControls::AddUnitDlg;
using KVIControls::DeleteUnitsDlg;
using KVIControls::UnitsControl;
using TestSupport::StubUnitList;
using TestSupport::WaitUntil;

UnitInfo Unit(int32_t prefix, const char16_t* name, int32_t flag = 0)
{
    return UnitInfo{flag, prefix, KVI::String(name)};
}

const platform::StringResource kHostStrings[] = {
    {8422, u"Unit name required"},
    {8423, u"Type the name of the unit."},
    {8424, u"Example: "},
    {9744, u"Define Unit..."},
    {9745, u"Delete Unit..."},
};

// The display texts of the list's units, in its order.
std::vector<QString> Texts(IUnitList* units)
{
    std::vector<QString> texts;
    KVIControls::ForEachUnit(units, [&](IUnitName* unit, int32_t) {
        texts.push_back(KVI::ToQString(KVIControls::UnitText(unit, true)));
    });
    return texts;
}

std::vector<QString> Texts(const QListWidget& list)
{
    std::vector<QString> texts;
    for (int row = 0; row < list.count(); ++row) texts.push_back(list.item(row)->text());
    return texts;
}

template <class T>
T* Control(QWidget* dialog, int id)
{
    T* control = KVI::FindControl<T>(dialog, id);
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

// Every label, button and list field shows its whole text, inside the dialog.
void ExpectNothingClipped(QWidget* dialog)
{
    int checked = 0;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        EXPECT_TRUE(dialog->rect().contains(QRect(w->mapTo(dialog, QPoint(0, 0)), w->size())))
            << w->objectName().toStdString();
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w)) continue;
        ++checked;
        EXPECT_LE(w->sizeHint().width(), w->width()) << w->objectName().toStdString();
        EXPECT_LE(w->sizeHint().height(), w->height()) << w->objectName().toStdString();
    }
    EXPECT_GE(checked, 3);
}

// Picks an entry of a closed combo box with the mouse: a click opens it, a click on the row chooses.
void PickWithMouse(QComboBox* combo, int row)
{
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(WaitUntil([&] { return view->isVisible(); }));
    QTest::qWait(QApplication::doubleClickInterval() + 50);  // not a double click
    const QPoint at = view->visualRect(combo->model()->index(row, 0)).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(WaitUntil([&] { return !view->isVisible(); }));
}

void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers keys = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, list->visualItemRect(list->item(row)).center());
}

class UnitDialogsTest : public testing::Test {
protected:
    void SetUp() override
    {
        platform::RegisterStringTable(nullptr, kHostStrings, std::size(kHostStrings));
        parent_ = std::make_unique<QWidget>();
        parent_->setGeometry(100, 80, 420, 300);
        parent_->show();
        // Active before any dialog is shown, so its activation cannot come after the dialog's.
        ASSERT_TRUE(QTest::qWaitForWindowActive(parent_.get()));
    }
    void TearDown() override
    {
        parent_.reset();
        platform::UnregisterStringTable(nullptr);
    }

    void Show(QDialog* dialog)
    {
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == dialog; }));
    }

    std::unique_ptr<QWidget> parent_;
};

// --- Define Unit ---

TEST_F(UnitDialogsTest, DefineUnitOpensOnTheCallersUnitWithItsExample)
{
    UnitInfo unit = Unit(8, u"V");
    AddUnitDlg dialog(parent_.get(), unit);
    Show(&dialog);
    auto* prefixes = Control<QComboBox>(&dialog, 102);
    std::vector<QString> entries;
    for (int i = 0; i < prefixes->count(); ++i) entries.push_back(prefixes->itemText(i));
    EXPECT_EQ(entries, (std::vector<QString>{"a", "f", "p", "n", QStringLiteral("\u00B5"), "m", "", "k", "M", "G",
                                             "T", "P", "E"}));
    EXPECT_EQ(prefixes->currentIndex(), 6);
    EXPECT_EQ(Control<QLineEdit>(&dialog, 103)->text(), QStringLiteral("V"));
    EXPECT_EQ(Control<QLabel>(&dialog, 104)->text(), QStringLiteral("Example: 499 V"));
    EXPECT_TRUE(Control<QPushButton>(&dialog, 1)->isEnabled());
    EXPECT_FALSE(Control<KVIControls::ErrorProvider>(&dialog, 105)->isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Define Unit"));
    // Centred over the parent's window.
    EXPECT_LE((dialog.frameGeometry().center() - parent_->frameGeometry().center()).manhattanLength(), 2);
    ExpectNothingClipped(&dialog);
    EXPECT_TRUE(dialog.grab().save(TestSupport::TestOutputPath(QStringLiteral("define_unit.png"))));
}

TEST_F(UnitDialogsTest, DefineUnitSelectsTheCallersPrefix)
{
    struct Case {
        int32_t prefix;
        int position;
    };
    // Indices that name no prefix (0, 1, outside the table) open on the entry without one.
    for (const Case c : {Case{2, 0}, Case{7, 5}, Case{8, 6}, Case{9, 7}, Case{14, 12}, Case{0, 6}, Case{1, 6},
                         Case{15, 6}, Case{-1, 6}}) {
        UnitInfo unit = Unit(c.prefix, u"Pa");
        AddUnitDlg dialog(parent_.get(), unit);
        EXPECT_EQ(Control<QComboBox>(&dialog, 102)->currentIndex(), c.position) << "prefix " << c.prefix;
        EXPECT_EQ(dialog.ReadUnit().prefix_, c.position + 2);
    }
}

TEST_F(UnitDialogsTest, TheExampleIs499InTheChosenUnit)
{
    struct Case {
        int32_t prefix;
        const char16_t* name;
        const char* example;
    };
    for (const Case c : {Case{7, u"V", "499 mV"}, Case{9, u"V", "499 kV"}, Case{2, u"g", "499 ag"},
                         Case{6, u"V", "499 \u00B5V"}, Case{14, u"Hz", "499 EHz"}, Case{8, u"mmHg", "499 mmHg"}})
        EXPECT_EQ(AddUnitDlg::ExampleValue(Unit(c.prefix, c.name)), QString::fromUtf8(c.example));
}

TEST_F(UnitDialogsTest, ChoosingPrefixKWithTheMouseGives499kV)
{
    UnitInfo unit = Unit(8, u"V");
    AddUnitDlg dialog(parent_.get(), unit);
    Show(&dialog);
    PickWithMouse(Control<QComboBox>(&dialog, 102), 7);
    EXPECT_EQ(Control<QLabel>(&dialog, 104)->text(), QStringLiteral("Example: 499 kV"));
    // And back to milli with the keyboard: two steps up.
    auto* prefixes = Control<QComboBox>(&dialog, 102);
    prefixes->setFocus();
    QTest::keyClick(prefixes, Qt::Key_Up);
    QTest::keyClick(prefixes, Qt::Key_Up);
    EXPECT_EQ(Control<QLabel>(&dialog, 104)->text(), QStringLiteral("Example: 499 mV"));
}

TEST_F(UnitDialogsTest, ClearingTheNameMarksItDisablesOkAndClearsTheExample)
{
    UnitInfo unit = Unit(8, u"V", 1);
    AddUnitDlg dialog(parent_.get(), unit);
    Show(&dialog);
    auto* name = Control<QLineEdit>(&dialog, 103);
    auto* ok = Control<QPushButton>(&dialog, 1);
    auto* mark = Control<KVIControls::ErrorProvider>(&dialog, 105);
    const QRect editBefore = name->geometry();

    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(KVI::ToQString(mark->Title()), QStringLiteral("Unit name required"));
    EXPECT_EQ(KVI::ToQString(mark->Message()), QStringLiteral("Type the name of the unit."));
    EXPECT_TRUE(Control<QLabel>(&dialog, 104)->text().isEmpty());
    EXPECT_EQ(name->geometry(), editBefore);  // the mark does not push the edit aside
    QImage picture = dialog.grab().toImage();
    EXPECT_TRUE(picture.save(TestSupport::TestOutputPath(QStringLiteral("define_unit_no_name.png"))));

    // Enter cannot get round the disabled OK.
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE((unit.prefix_ == 8 && unit.name_ == KVI::String(u"V")));

    QTest::keyClicks(name, QStringLiteral("Pa"));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_FALSE(mark->isVisible());
    EXPECT_EQ(Control<QLabel>(&dialog, 104)->text(), QStringLiteral("Example: 499 Pa"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(unit.flag_, 0);
    EXPECT_EQ(unit.prefix_, 8);
    EXPECT_EQ(KVI::ToQString(unit.name_), QStringLiteral("Pa"));
}

TEST_F(UnitDialogsTest, CancelLeavesTheCallersUnitAlone)
{
    UnitInfo unit = Unit(7, u"A");
    AddUnitDlg dialog(parent_.get(), unit);
    Show(&dialog);
    QTest::keyClicks(Control<QLineEdit>(&dialog, 103), QStringLiteral("xyz"));
    QTest::keyClick(Control<QLineEdit>(&dialog, 103), Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE((unit.prefix_ == 7 && unit.name_ == KVI::String(u"A")));
}

TEST_F(UnitDialogsTest, WithoutTheHostsTextsTheDialogUsesItsOwn)
{
    platform::UnregisterStringTable(nullptr);
    UnitInfo unit = Unit(8, u"");
    AddUnitDlg dialog(parent_.get(), unit);
    auto* mark = Control<KVIControls::ErrorProvider>(&dialog, 105);
    EXPECT_FALSE(mark->Title().IsEmpty());
    EXPECT_FALSE(mark->Message().IsEmpty());
    QTest::keyClicks(Control<QLineEdit>(&dialog, 103), QStringLiteral("V"));
    EXPECT_EQ(dialog.ExampleText(), QStringLiteral("Example: 499 V"));
}

TEST_F(UnitDialogsTest, ALongNameIsCutInTheExampleLineNotTheDialog)
{
    UnitInfo unit = Unit(9, u"V");
    AddUnitDlg dialog(parent_.get(), unit);
    Show(&dialog);
    const QSize before = dialog.size();
    QTest::keyClicks(Control<QLineEdit>(&dialog, 103), QString(120, QLatin1Char('W')));
    QTest::qWait(20);
    EXPECT_EQ(dialog.size(), before);
    auto* example = Control<QLabel>(&dialog, 104);
    EXPECT_TRUE(dialog.ExampleText().endsWith(QStringLiteral("kV") + QString(120, QLatin1Char('W'))));
    EXPECT_TRUE(example->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(example->toolTip(), dialog.ExampleText());
}

// --- Delete Unit ---

const std::vector<UnitInfo> kFive = {Unit(8, u"V"), Unit(7, u"V"), Unit(8, u""), Unit(9, u"Pa"), Unit(8, u"mmHg")};

TEST_F(UnitDialogsTest, DeleteUnitListsTheNamedUnitsInTheListsOrder)
{
    const auto units = StubUnitList::Create(kFive);
    DeleteUnitsDlg dialog(parent_.get(), units.Get());
    Show(&dialog);
    auto* list = Control<KVIControls::UnitList>(&dialog, 101);
    EXPECT_EQ(Texts(*list), (std::vector<QString>{"V", "mV", "kPa", "mmHg"}));
    std::vector<int32_t> indices;
    for (int row = 0; row < list->count(); ++row) indices.push_back(list->UnitIndexAt(row));
    EXPECT_EQ(indices, (std::vector<int32_t>{0, 1, 3, 4}));  // the nameless unit 2 is not offered
    const QFontMetrics fm(list->font());
    EXPECT_EQ(list->visualItemRect(list->item(1)).height(), fm.height() + std::max(0, fm.leading()) + 2);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(units->RefCount(), 2);
    ExpectNothingClipped(&dialog);

    ClickRow(list, 1);
    ClickRow(list, 3, Qt::ControlModifier);
    EXPECT_TRUE(dialog.grab().save(TestSupport::TestOutputPath(QStringLiteral("delete_unit.png"))));
}

TEST_F(UnitDialogsTest, DeletingTwoUnitsThenCancellingRemovesNothing)
{
    const auto units = StubUnitList::Create(kFive);
    DeleteUnitsDlg dialog(parent_.get(), units.Get());
    Show(&dialog);
    auto* list = Control<KVIControls::UnitList>(&dialog, 101);
    ClickRow(list, 0);
    ClickRow(list, 2, Qt::ControlModifier);
    QTest::mouseClick(Control<QPushButton>(&dialog, 102), Qt::LeftButton);
    EXPECT_EQ(Texts(*list), (std::vector<QString>{"mV", "mmHg"}));
    EXPECT_EQ(dialog.PendingDeletions(), (std::vector<int32_t>{3, 0}));  // from the last selected up
    QTest::mouseClick(Control<QPushButton>(&dialog, 2), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Texts(units.Get()), (std::vector<QString>{"V", "mV", "", "kPa", "mmHg"}));
}

// The two kinds of unit list the dialog must work with: one that moves later units down when a
// unit is removed (the test double) and the host's, which leaves a hole until it is read again.
struct ListKind {
    const char* name;
    platform::ComPtr<IUnitList> (*make)(const std::vector<UnitInfo>&);
};
const ListKind kListKinds[] = {
    {"shifting",
     [](const std::vector<UnitInfo>& u) { return platform::ComPtr<IUnitList>(StubUnitList::Create(u).Get()); }},
    {"keeping holes",
     [](const std::vector<UnitInfo>& u) {
         // Kept in a file of its own, as the host keeps its list.
         static QTemporaryDir folder;
         static int made = 0;
         auto list = Zor::UnitList::Create(folder.filePath(QStringLiteral("units%1.txt").arg(++made)).toStdString());
         for (const UnitInfo& unit : Zor::UnitList::DefaultUnits()) {
             const platform::ComPtr<IUnitName> entry(new KVI::UnitEntry(unit));
             list->Remove(0, entry.Get());
         }
         for (const UnitInfo& unit : u) {
             const platform::ComPtr<IUnitName> entry(new KVI::UnitEntry(unit));
             list->Add(0, entry.Get(), nullptr);
         }
         return platform::ComPtr<IUnitList>(list.Get());
     }},
};

// Named units only: the host's list does not keep a unit without a name.
const std::vector<UnitInfo> kSix = {Unit(8, u"V"), Unit(7, u"V"), Unit(9, u"Pa"),
                                    Unit(8, u"mmHg"), Unit(8, u"N"), Unit(8, u"g")};

TEST_F(UnitDialogsTest, DeletingTwoUnitsAndConfirmingRemovesExactlyThoseTwo)
{
    for (const ListKind& kind : kListKinds) {
        SCOPED_TRACE(kind.name);
        const platform::ComPtr<IUnitList> units = kind.make(kSix);
        ASSERT_EQ(Texts(units.Get()), (std::vector<QString>{"V", "mV", "kPa", "mmHg", "N", "g"}));
        DeleteUnitsDlg dialog(parent_.get(), units.Get());
        Show(&dialog);
        auto* list = Control<KVIControls::UnitList>(&dialog, 101);
        // mV in one round; kPa and N (not neighbours) in a second, selected with the keyboard.
        ClickRow(list, 1);
        QTest::keyClick(list, Qt::Key_Tab);  // on to "&Delete", pressed with the space bar
        ASSERT_EQ(QApplication::focusWidget(), Control<QPushButton>(&dialog, 102));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_EQ(Texts(*list), (std::vector<QString>{"V", "kPa", "mmHg", "N", "g"}));
        ClickRow(list, 1);
        QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        ASSERT_EQ(list->selectedItems().size(), 2);
        QTest::mouseClick(Control<QPushButton>(&dialog, 102), Qt::LeftButton);
        EXPECT_EQ(Texts(*list), (std::vector<QString>{"V", "mmHg", "g"}));
        QTest::mouseClick(Control<QPushButton>(&dialog, 1), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(Texts(units.Get()), (std::vector<QString>{"V", "mmHg", "g"}));
    }
}

TEST_F(UnitDialogsTest, RemoveUnitsLooksEveryUnitUpBeforeRemovingAny)
{
    for (const ListKind& kind : kListKinds) {
        SCOPED_TRACE(kind.name);
        const platform::ComPtr<IUnitList> units = kind.make(kSix);
        // Any order; an index the list has no unit for is skipped.
        EXPECT_EQ(DeleteUnitsDlg::RemoveUnits(units.Get(), {4, 9, 0, 1}), 3);
        EXPECT_EQ(Texts(units.Get()), (std::vector<QString>{"kPa", "mmHg", "g"}));
    }
    EXPECT_EQ(DeleteUnitsDlg::RemoveUnits(nullptr, {0}), 0);
}

// --- Run from the units control ---

using SettingsDialogTest::Owner;

class UnitsControlCommandsTest : public UnitDialogsTest {
protected:
    void Make(std::vector<UnitInfo> units, const UnitInfo& current)
    {
        list_ = StubUnitList::Create(std::move(units));
        auto* placeholder = new QComboBox(parent_.get());
        placeholder->setGeometry(20, 20, 140, 26);
        KVI::SetControlId(placeholder, 101);
        control_ = new UnitsControl(parent_.get(), list_.Get(), boost::bind(&Owner::OnUnitChanged, &owner_));
        control_->show();
        owner_.control = control_;
        control_->SetUnit(current);
    }

    // Chooses a command of the control with the mouse; its dialog is answered by answer.
    template <class Dialog>
    void RunCommand(int position, std::function<void(Dialog*)> answer)
    {
        control_->showPopup();
        QAbstractItemView* view = control_->view();
        ASSERT_TRUE(WaitUntil([&] { return view->isVisible(); }));
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const auto answered = std::make_shared<bool>(false);
        TestSupport::AnswerNextModal<Dialog>([answered, answer](Dialog* d) {
            *answered = true;
            answer(d);
        });
        const QPoint at = view->visualRect(control_->model()->index(position, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        ASSERT_TRUE(WaitUntil([&] { return *answered && !view->isVisible(); }));
    }

    platform::ComPtr<StubUnitList> list_;
    UnitsControl* control_ = nullptr;
    Owner owner_;
};

TEST_F(UnitsControlCommandsTest, ADefinedUnitIsAddedAndBecomesCurrent)
{
    Make(kFive, Unit(7, u"V"));
    RunCommand<AddUnitDlg>(control_->DefineUnitPosition(), [](AddUnitDlg* d) {
        EXPECT_EQ(d->ExampleText(), QStringLiteral("Example: 499 V"));  // the control starts from V
        auto* prefixes = KVI::FindControl<QComboBox>(d, 102);
        prefixes->setFocus();
        QTest::keyClick(prefixes, Qt::Key_Down);  // k
        auto* name = KVI::FindControl<QLineEdit>(d, 103);
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, QStringLiteral("N"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(list_->Units().size(), 6u);
    EXPECT_TRUE(control_->CurrentUnit().prefix_ == 9 && control_->CurrentUnit().name_ == KVI::String(u"N"));
    EXPECT_EQ(control_->itemText(control_->currentIndex()), QStringLiteral("kN"));
    EXPECT_EQ(owner_.changes, 1);
    EXPECT_EQ(KVI::ToQString(owner_.seen.name_), QStringLiteral("N"));
}

TEST_F(UnitsControlCommandsTest, ARefusedUnitStaysCurrentWithoutAnEntry)
{
    Make(kFive, Unit(8, u"V"));
    list_->SetRefuseAdd(true);
    RunCommand<AddUnitDlg>(control_->DefineUnitPosition(), [](AddUnitDlg* d) {
        QTest::keyClicks(KVI::FindControl<QLineEdit>(d, 103), QStringLiteral("olts"));
        QTest::mouseClick(KVI::FindControl<QPushButton>(d, 1), Qt::LeftButton);
    });
    EXPECT_TRUE(control_->CurrentUnit().name_ == KVI::String(u"Volts"));
    EXPECT_EQ(control_->currentIndex(), -1);
    EXPECT_EQ(list_->Units().size(), 5u);
    EXPECT_EQ(owner_.changes, 1);
}

TEST_F(UnitsControlCommandsTest, DeletingTheCurrentUnitLeavesTheEmptyUnit)
{
    Make(kFive, Unit(9, u"Pa"));
    RunCommand<DeleteUnitsDlg>(control_->DeleteUnitPosition(), [](DeleteUnitsDlg* d) {
        auto* list = KVI::FindControl<KVIControls::UnitList>(d, 101);
        ClickRow(list, 2);  // kPa
        ClickRow(list, 0, Qt::ControlModifier);
        QTest::mouseClick(KVI::FindControl<QPushButton>(d, 102), Qt::LeftButton);
        QTest::mouseClick(KVI::FindControl<QPushButton>(d, 1), Qt::LeftButton);
    });
    EXPECT_EQ(Texts(list_.Get()), (std::vector<QString>{"mV", "", "mmHg"}));
    EXPECT_TRUE(control_->CurrentUnit().name_.IsEmpty());
    EXPECT_EQ(control_->CurrentUnit().prefix_, KVI::kPrefixNone);
    EXPECT_EQ(control_->currentIndex(), -1);
    EXPECT_EQ(control_->itemText(2), QStringLiteral("mmHg"));  // the list was filled again
    EXPECT_EQ(owner_.changes, 1);

    // Deleting another unit keeps the current one, now at its new place.
    control_->SetUnit(Unit(8, u"mmHg"));
    RunCommand<DeleteUnitsDlg>(control_->DeleteUnitPosition(), [](DeleteUnitsDlg* d) {
        ClickRow(KVI::FindControl<KVIControls::UnitList>(d, 101), 0);
        QTest::mouseClick(KVI::FindControl<QPushButton>(d, 102), Qt::LeftButton);
        QTest::keyClick(d, Qt::Key_Return);  // OK is the default button
    });
    EXPECT_EQ(Texts(list_.Get()), (std::vector<QString>{"", "mmHg"}));
    EXPECT_TRUE(control_->CurrentUnit().name_ == KVI::String(u"mmHg"));
    EXPECT_EQ(control_->currentIndex(), 1);
}

}  // namespace
