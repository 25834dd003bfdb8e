#include <gtest/gtest.h>

#include <boost/bind/bind.hpp>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include <memory>
#include <vector>

#include "foundation/gui/control_id.h"
#include "platform/string_table.h"
#include "settings_dialog/units_control.h"
#include "tests/settings_dialog/units_control_owner.h"
#include "tests/support/gui_test_util.h"
#include "tests/support/stub_unit_list.h"

namespace {

using KVI::UnitInfo;
using KVIControls::UnitsControl;
using TestSupport::StubUnitList;
using TestSupport::WaitUntil;

UnitInfo Unit(int32_t prefix, const char16_t* name)
{
    UnitInfo u;
    u.prefix_ = prefix;
    u.name_ = KVI::String(name);
    return u;
}

bool SameUnit(const UnitInfo& a, const UnitInfo& b)
{
    return a.prefix_ == b.prefix_ && a.name_ == b.name_;
}

const platform::StringResource kHostStrings[] = {
    {8429, u"(no name)"},
    {9744, u"Define Unit..."},
    {9745, u"Delete Unit..."},
};

using SettingsDialogTest::Owner;

class UnitsControlTest : public testing::Test {
protected:
    void SetUp() override { platform::RegisterStringTable(nullptr, kHostStrings, std::size(kHostStrings)); }
    void TearDown() override
    {
        dialog_.reset();
        platform::UnregisterStringTable(nullptr);
    }

    // A dialog with the template's "&Units:" label and combo box 101, and the control in its place.
    void Make(std::vector<UnitInfo> units)
    {
        list_ = StubUnitList::Create(std::move(units));
        dialog_ = std::make_unique<QWidget>();
        dialog_->setWindowTitle(QStringLiteral("Units"));
        dialog_->resize(260, 150);
        auto* label = new QLabel(QStringLiteral("&Units:"), dialog_.get());
        label->setGeometry(10, 14, 50, 20);
        auto* placeholder = new QComboBox(dialog_.get());
        placeholder->setGeometry(70, 10, 120, 26);
        KVI::SetControlId(placeholder, 101);
        label->setBuddy(placeholder);
        control_ = new UnitsControl(dialog_.get(), list_.Get(), boost::bind(&Owner::OnUnitChanged, &owner_));
        owner_.control = control_;
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    QAbstractItemView* Open()
    {
        control_->showPopup();
        EXPECT_TRUE(WaitUntil([&] { return control_->view()->isVisible(); }));
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        return control_->view();
    }

    void Click(int row)
    {
        QAbstractItemView* list = control_->view();
        const QPoint at = list->visualRect(control_->model()->index(row, 0)).center();
        QTest::mouseMove(list->viewport(), at);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_TRUE(WaitUntil([&] { return !list->isVisible(); }));
    }

    std::vector<QString> Texts() const
    {
        std::vector<QString> texts;
        for (int i = 0; i < control_->count(); ++i) texts.push_back(control_->itemText(i));
        return texts;
    }

    platform::ComPtr<StubUnitList> list_;
    std::unique_ptr<QWidget> dialog_;
    UnitsControl* control_ = nullptr;
    Owner owner_;
};

const std::vector<UnitInfo> kUnits = {Unit(8, u"V"), Unit(7, u"V"), Unit(9, u"Pa"), Unit(8, u"")};

// Closes the next dialog a command opens as a user who changes their mind: Escape.
void CancelNextDialog()
{
    TestSupport::AnswerNextModal<QDialog>(
        [](QDialog* d) { QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Escape); });
}

TEST_F(UnitsControlTest, FillsUnitsThenSeparatorThenTheTwoCommands)
{
    Make(kUnits);
    EXPECT_EQ(KVI::FindControl(dialog_.get(), 101), control_);
    EXPECT_EQ(Texts(), (std::vector<QString>{"V", "mV", "kPa", "", "", "Define Unit...", "Delete Unit..."}));
    EXPECT_EQ(control_->Separators(), std::vector<int>{4});
    EXPECT_EQ(control_->DefineUnitPosition(), 5);
    EXPECT_EQ(control_->DeleteUnitPosition(), 6);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(control_->itemData(i, UnitsControl::kUnitIndexRole).toInt(), i);
    EXPECT_EQ(control_->itemData(1, UnitsControl::kPrefixRole).toString(), QStringLiteral("m"));
    EXPECT_EQ(control_->itemData(1, UnitsControl::kNameRole).toString(), QStringLiteral("V"));
    EXPECT_EQ(control_->view()->minimumWidth(), 105);
    // The current unit is the empty unit, which is not listed: nothing is selected, nothing added.
    EXPECT_EQ(control_->currentIndex(), -1);
    EXPECT_EQ(list_->AddCalls(), 0);
    EXPECT_EQ(owner_.changes, 0);
}

TEST_F(UnitsControlTest, WalksTheEnumeratorInChunksOfSixteen)
{
    std::vector<UnitInfo> many;
    for (int i = 0; i < 20; ++i) many.push_back(Unit(8, (u"U" + std::u16string(1, char16_t(u'a' + i))).c_str()));
    Make(many);
    EXPECT_EQ(list_->NextRequests(), (std::vector<uint32_t>{16, 16, 16}));
    EXPECT_EQ(control_->count(), 20 + 3);
    EXPECT_EQ(control_->itemText(19), QStringLiteral("Ut"));
}

TEST_F(UnitsControlTest, AnEmptyUnitListOffersOnlyTheCommands)
{
    Make({});
    EXPECT_EQ(Texts(), (std::vector<QString>{"Define Unit...", "Delete Unit..."}));
    EXPECT_TRUE(control_->Separators().empty());
    EXPECT_EQ(control_->DefineUnitPosition(), 0);
}

TEST_F(UnitsControlTest, SetUnitSelectsAListedUnitAndAddsAnUnlistedOne)
{
    Make(kUnits);
    control_->SetUnit(Unit(9, u"Pa"));
    EXPECT_EQ(control_->currentIndex(), 2);
    EXPECT_EQ(list_->AddCalls(), 0);

    control_->SetUnit(Unit(4, u"A"));  // pA: added, listed before the separator and selected
    EXPECT_EQ(list_->AddCalls(), 1);
    EXPECT_EQ(control_->itemText(4), QStringLiteral("pA"));
    EXPECT_EQ(control_->currentIndex(), 4);
    EXPECT_EQ(control_->Separators(), std::vector<int>{5});
    EXPECT_EQ(owner_.changes, 0);  // code never calls back
}

TEST_F(UnitsControlTest, ARefusedUnitStaysCurrentWithoutAnEntryOrASelection)
{
    Make(kUnits);
    control_->SetUnit(Unit(8, u"V"));
    list_->SetRefuseAdd(true);
    control_->SetUnit(Unit(8, u"mmHg"));
    EXPECT_EQ(list_->AddCalls(), 1);
    EXPECT_TRUE(SameUnit(control_->CurrentUnit(), Unit(8, u"mmHg")));
    EXPECT_EQ(control_->count(), 7);
    EXPECT_EQ(control_->currentIndex(), -1);  // not V any more

    // The empty unit ("no unit") is never offered to the list.
    control_->SetUnit(UnitInfo::Empty());
    EXPECT_EQ(list_->AddCalls(), 1);
}

TEST_F(UnitsControlTest, PickingAUnitWithTheMouseMakesItCurrentAndCallsBack)
{
    Make(kUnits);
    control_->SetUnit(Unit(8, u"V"));
    Open();
    Click(2);
    EXPECT_EQ(owner_.changes, 1);
    EXPECT_TRUE(SameUnit(owner_.seen, Unit(9, u"Pa")));
    EXPECT_EQ(control_->GetSelection(), 2);

    // A click on the separator does nothing; the list stays open.
    QAbstractItemView* list = Open();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(control_->model()->index(4, 0)).center());
    QTest::qWait(50);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(owner_.changes, 1);
    control_->hidePopup();
}

TEST_F(UnitsControlTest, DefineAndDeleteReselectTheCurrentUnitAndStillCallBack)
{
    Make(kUnits);
    control_->SetUnit(Unit(7, u"V"));
    Open();
    CancelNextDialog();
    Click(control_->DefineUnitPosition());
    EXPECT_EQ(owner_.changes, 1);
    EXPECT_TRUE(SameUnit(owner_.seen, Unit(7, u"V")));
    EXPECT_EQ(control_->currentIndex(), 1);

    // From the last unit the down arrow steps over the separator onto the commands.
    control_->SetUnit(Unit(8, u""));
    QAbstractItemView* list = Open();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().row(), control_->DefineUnitPosition());
    QTest::keyClick(list, Qt::Key_Down);
    CancelNextDialog();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return !list->isVisible(); }));
    EXPECT_EQ(owner_.changes, 2);
    EXPECT_TRUE(SameUnit(control_->CurrentUnit(), Unit(8, u"")));
    EXPECT_EQ(control_->currentIndex(), 3);
}

TEST_F(UnitsControlTest, CommandTextsComeFromTheHostWithTheModulesAsFallback)
{
    static const platform::StringResource other[] = {{9744, u"New unit\u2026"}, {9745, u"Remove units\u2026"}};
    platform::RegisterStringTable(nullptr, other, std::size(other));
    Make({});
    EXPECT_EQ(Texts(), (std::vector<QString>{QStringLiteral("New unit\u2026"), QStringLiteral("Remove units\u2026")}));

    platform::UnregisterStringTable(nullptr);
    control_->Fill();
    EXPECT_EQ(Texts(), (std::vector<QString>{"Define Unit...", "Delete Unit..."}));  // strings 255 and 256
}

// Draws entry index of control into an image of the given size.
QImage DrawEntry(const UnitsControl& control, int index, QSize size = QSize(120, 20))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    KVIControls::MenuCombo::ItemDraw item;
    item.rect = QRect(QPoint(0, 0), size);
    item.index = index;
    control.DrawItem(p, item);
    return image;
}

TEST_F(UnitsControlTest, PrefixesShareOneColumnAndANamelessUnitShowsTheHostsText)
{
    Make({Unit(8, u"V"), Unit(7, u"V"), Unit(8, u""), Unit(8, u"(no name)")});
    const int margin = control_->ItemMargin();
    const int column = margin + UnitsControl::PrefixColumnWidth(QFontMetrics(control_->ItemFont(false)));
    EXPECT_GE(column - margin, QFontMetrics(control_->ItemFont(false)).horizontalAdvance(QLatin1Char('M')) + 2);
    const QImage plain = DrawEntry(*control_, 0);
    const QImage milli = DrawEntry(*control_, 1);
    // The name starts after the column whatever the prefix: the two V's are drawn alike.
    EXPECT_EQ(plain.copy(column, 0, 120 - column, 20), milli.copy(column, 0, 120 - column, 20));
    EXPECT_NE(plain.copy(0, 0, column, 20), milli.copy(0, 0, column, 20));  // the m
    // No prefix letter comes nearer the list's border than the margin a list's text keeps.
    Make({Unit(7, u"V"), Unit(6, u"V"), Unit(10, u"V"), Unit(9, u"Pa"), Unit(3, u"s")});
    for (int entry = 0; entry < 5; ++entry) {
        const QImage image = DrawEntry(*control_, entry);
        for (int x = 0; x < margin; ++x)
            for (int y = 0; y < image.height(); ++y)
                ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::white)) << "entry " << entry << " column " << x;
    }
    Make({Unit(8, u"V"), Unit(7, u"V"), Unit(8, u""), Unit(8, u"(no name)")});
    // A unit without a name is drawn as a unit named with string 8429.
    EXPECT_EQ(DrawEntry(*control_, 2), DrawEntry(*control_, 3));
    EXPECT_NE(DrawEntry(*control_, 2), plain);
}

TEST_F(UnitsControlTest, HoldsOneReferenceToTheUnitListWhileItLives)
{
    Make(kUnits);
    EXPECT_EQ(list_->RefCount(), 2);
    dialog_.reset();
    EXPECT_EQ(list_->RefCount(), 1);
}

TEST_F(UnitsControlTest, Screenshots)
{
    Make({Unit(8, u"V"), Unit(7, u"V"), Unit(6, u"V"), Unit(9, u"Pa"), Unit(8, u"mmHg"), Unit(8, u"")});
    control_->SetUnit(Unit(7, u"V"));
    QImage closed = TestSupport::GrabWindows({dialog_.get()});
    EXPECT_TRUE(closed.save(TestSupport::TestOutputPath(QStringLiteral("units_control_closed.png"))));

    QAbstractItemView* list = Open();
    QTest::mouseMove(list->viewport(), list->visualRect(control_->model()->index(3, 0)).center());
    QTest::qWait(20);
    QImage open = TestSupport::GrabWindows({dialog_.get(), list->window()});
    EXPECT_TRUE(open.save(TestSupport::TestOutputPath(QStringLiteral("units_control_open.png"))));
    control_->hidePopup();
}

}  // namespace
