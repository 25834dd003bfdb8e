#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <memory>
#include <vector>

#include "foundation/gui/control_id.h"
#include "foundation/gui/menu_combo.h"
#include "tests/support/gui_test_util.h"

namespace {

using KVIControls::MenuCombo;

// A, separator, B, C in a shown dialog; records the indices the user activates.
class MenuComboTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog_ = std::make_unique<QWidget>();
        dialog_->resize(240, 120);
        combo_ = new MenuCombo(dialog_.get());
        combo_->setGeometry(10, 10, 160, 26);
        combo_->AddItem(QStringLiteral("A"));
        combo_->AddSeparator();
        combo_->AddItem(QStringLiteral("B"));
        combo_->AddItem(QStringLiteral("C"));
        QObject::connect(combo_, &QComboBox::activated, [this](int i) { activated_.push_back(i); });
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    // Opens the list and waits until a click would be taken (the list ignores the release of
    // the click that opened it for a double-click interval).
    QAbstractItemView* Open()
    {
        combo_->showPopup();
        EXPECT_TRUE(TestSupport::WaitUntil([&] { return combo_->view()->isVisible(); }));
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        return combo_->view();
    }

    QPoint CentreOf(int row) { return combo_->view()->visualRect(combo_->model()->index(row, 0)).center(); }

    std::unique_ptr<QWidget> dialog_;
    MenuCombo* combo_ = nullptr;
    std::vector<int> activated_;
};

TEST_F(MenuComboTest, LogicalIndicesSkipSeparators)
{
    EXPECT_EQ(KVI::ControlId(combo_), MenuCombo::kControlId);
    EXPECT_EQ(combo_->GetSelection(), -1);  // nothing selected at first
    combo_->setCurrentIndex(2);             // B
    EXPECT_EQ(combo_->GetSelection(), 1);
    EXPECT_EQ(combo_->SetSelection(2), 3);  // C
    EXPECT_EQ(combo_->currentIndex(), 3);
    EXPECT_EQ(combo_->SetSelection(0), 0);
    EXPECT_EQ(combo_->SetSelection(3), -1);  // no fourth item: nothing selected
    EXPECT_EQ(combo_->currentIndex(), -1);
    EXPECT_EQ(combo_->GetSelection(), -1);
    EXPECT_EQ(combo_->SetSelection(-1), -1);
}

TEST_F(MenuComboTest, ArrowKeysInTheOpenListStepOverSeparatorsAndStopAtTheEnds)
{
    combo_->SetSelection(0);
    QAbstractItemView* list = Open();
    ASSERT_EQ(list->currentIndex().row(), 0);

    const auto row = [&] { return list->currentIndex().row(); };
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(row(), 2);  // A -> B, over the separator
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(row(), 3);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(row(), 3);  // nothing after C: the key is swallowed
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_EQ(row(), 0);  // C -> B -> A
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(row(), 0);

    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return !list->isVisible(); }));
    EXPECT_EQ(combo_->currentIndex(), 2);
    EXPECT_EQ(combo_->GetSelection(), 1);
    EXPECT_EQ(activated_, std::vector<int>{2});
}

TEST_F(MenuComboTest, ClickingASeparatorChangesNothingAndClickingAnItemChoosesIt)
{
    combo_->SetSelection(0);
    QAbstractItemView* list = Open();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CentreOf(1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CentreOf(1));
    QTest::qWait(50);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(combo_->currentIndex(), 0);
    EXPECT_NE(list->currentIndex().row(), 1);
    EXPECT_TRUE(activated_.empty());

    QTest::mouseMove(list->viewport(), CentreOf(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CentreOf(3));
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return !list->isVisible(); }));
    EXPECT_EQ(combo_->currentIndex(), 3);
    EXPECT_EQ(activated_, std::vector<int>{3});
}

TEST_F(MenuComboTest, ArrowKeysOnTheClosedComboSkipSeparators)
{
    combo_->SetSelection(0);
    combo_->setFocus();
    QTest::keyClick(combo_, Qt::Key_Down);
    EXPECT_EQ(combo_->currentIndex(), 2);
    QTest::keyClick(combo_, Qt::Key_Up);
    EXPECT_EQ(combo_->currentIndex(), 0);
}

TEST_F(MenuComboTest, InsertingAndDeletingKeepSeparatorIndexes)
{
    EXPECT_EQ(combo_->InsertItem(QStringLiteral("Z"), 0), 0);
    EXPECT_EQ(combo_->Separators(), std::vector<int>{2});
    combo_->setCurrentIndex(3);  // B
    EXPECT_EQ(combo_->GetSelection(), 2);
    EXPECT_TRUE(combo_->DeleteItem(0));
    EXPECT_EQ(combo_->Separators(), std::vector<int>{1});
    EXPECT_TRUE(combo_->DeleteItem(1));  // the separator itself
    EXPECT_TRUE(combo_->Separators().empty());
    EXPECT_FALSE(combo_->DeleteItem(7));
    combo_->ClearItems();
    EXPECT_EQ(combo_->count(), 0);
    EXPECT_EQ(combo_->AddItem(QStringLiteral("X")), 0);
    EXPECT_EQ(combo_->currentIndex(), -1);  // adding selects nothing
}

TEST_F(MenuComboTest, ItemsMeasureTextHeightPlusLeadingPlusTwo)
{
    const QFontMetrics fm(combo_->ItemFont(false));
    EXPECT_EQ(combo_->ItemHeight(0), fm.height() + std::max(0, fm.leading()) + 2);
    EXPECT_EQ(combo_->view()->sizeHintForRow(0), combo_->ItemHeight(0));
    // The font is the dialog font at a ten-point cell on this screen.
    const int cell = (10 * combo_->logicalDpiY() + 36) / 72;
    EXPECT_LE(fm.height(), cell);
    EXPECT_GE(fm.height(), cell - 2);
    const QFont heading = combo_->ItemFont(true);
    EXPECT_TRUE(heading.bold());
    EXPECT_TRUE(heading.underline());
}

TEST_F(MenuComboTest, LongItemTextsEndInAnEllipsis)
{
    const QFontMetrics fm(combo_->ItemFont(false));
    const QString shown = MenuCombo::ItemDisplayText(QStringLiteral("A very long unit name indeed"), fm, 80);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("  ")));
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(fm.horizontalAdvance(shown), 80);
    EXPECT_EQ(MenuCombo::ItemDisplayText(QStringLiteral("B"), fm, 80), QStringLiteral("  B"));
}

TEST_F(MenuComboTest, SeparatorIsAGreyLineInsideTwoPixelsAndASelectedItemIsHighlighted)
{
    QImage image(100, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    {
        QPainter p(&image);
        MenuCombo::ItemDraw item;
        item.rect = QRect(0, 0, 100, 20);
        item.index = 1;
        combo_->DrawItem(p, item);
    }
    const QColor grey(192, 192, 192);
    EXPECT_EQ(image.pixelColor(2, 10), grey);
    EXPECT_EQ(image.pixelColor(97, 10), grey);
    EXPECT_NE(image.pixelColor(1, 10), grey);
    EXPECT_NE(image.pixelColor(98, 10), grey);
    EXPECT_NE(image.pixelColor(50, 9), grey);
    EXPECT_EQ(image.pixelColor(50, 5), combo_->palette().color(QPalette::Base));

    {
        QPainter p(&image);
        MenuCombo::ItemDraw item;
        item.rect = QRect(0, 0, 100, 20);
        item.index = 2;
        item.selected = true;
        combo_->DrawItem(p, item);
    }
    EXPECT_EQ(image.pixelColor(1, 1), combo_->palette().color(QPalette::Highlight));
}

}  // namespace
