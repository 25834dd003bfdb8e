// CDragScale over the host's real scale component (libzor.so, started through the framework as
// the module starts it): creation with the dialog's values, placement, range and home range,
// unit label, and the pane as its observer, laid out as the dialog lays them out.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>
#include <QWidget>

#include "calibration/framework.h"
#include "foundation/gui/qt_string.h"
#include "platform/com_ptr.h"
#include "settings_dialog/drag_scale.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "tests/support/fake_host_document.h"
#include "tests/support/gui_test_util.h"

namespace {

using platform::ComPtr;
using Tessar::CDragScale;
using Tessar::UnitConvertDataPane;

uint32_t Refs(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

// A dialog stand-in with the scale and the pane placed inside a frame as the dialog's set-up
// places them: the scale at the frame's left over its full height, the pane 2 pixels to its
// right, inset h / 2 + 2 at top and bottom.
class DragScaleTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog_.resize(320, 220);
        inset_ = QFontMetrics(dialog_.font()).height() / 2 + 2;
        scale_ = std::make_unique<CDragScale>(&dialog_, CDragScale::kPaneScaleStyle, 0, -inset_, -inset_);
        ASSERT_EQ(scale_->Create(), S_OK);
        pane_ = new UnitConvertDataPane(&dialog_, QColor(0, 128, 0));
        dialog_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    }
    void TearDown() override { scale_.reset(); }

    // Lays the two out in the frame (10, 10, 300, 200).
    void Place()
    {
        const QRect frame(10, 10, 300, 200);
        const int width = scale_->PreferredWidth();
        ASSERT_EQ(scale_->SetGeometry(QRect(frame.left(), frame.top(), width, frame.height())), S_OK);
        pane_->setGeometry(frame.left() + width + 2, frame.top() + inset_, frame.width() - width - 2,
                           frame.height() - 2 * inset_);
    }

    QWidget dialog_;
    int inset_ = 0;
    std::unique_ptr<CDragScale> scale_;
    UnitConvertDataPane* pane_ = nullptr;
};

TEST_F(DragScaleTest, TheComponentIsCreatedWithTheDialogsValues)
{
    ASSERT_NE(scale_->Scale(), nullptr);
    ASSERT_NE(scale_->Window(), nullptr);
    EXPECT_EQ(scale_->Window()->parentWidget(), &dialog_);
    int32_t style = 0;
    EXPECT_EQ(scale_->Scale()->GetStyle(&style), S_OK);
    EXPECT_EQ(style, CDragScale::kPaneScaleStyle);
    EXPECT_GT(scale_->PreferredWidth(), 10);

    Place();
    EXPECT_EQ(scale_->Window()->geometry(), QRect(10, 10, scale_->PreferredWidth(), 200));
    int32_t lowest = -1, highest = -1;
    ASSERT_EQ(scale_->Scale()->GetExtent(&lowest, &highest), S_OK);
    EXPECT_EQ(highest - lowest, pane_->height() - 1) << "the axis spans exactly the pane's rows";
}

TEST_F(DragScaleTest, RangeAndHomeRangeAndUnitLabel)
{
    ASSERT_EQ(scale_->SetRange(5.0, -5.0), S_OK);
    double top = 0, bottom = 0;
    ASSERT_EQ(scale_->GetRange(&top, &bottom), S_OK);
    EXPECT_EQ(top, 5.0);
    EXPECT_EQ(bottom, -5.0);
    // Both setters ran: the range a double click returns to is the same pair.
    const double other[2] = {1.0, 0.0};
    ASSERT_EQ(scale_->Scale()->SetRange(other), S_OK);
    ASSERT_EQ(scale_->Scale()->RestoreHomeRange(), S_OK);
    ASSERT_EQ(scale_->GetRange(&top, &bottom), S_OK);
    EXPECT_EQ(top, 5.0);
    EXPECT_EQ(bottom, -5.0);

    ASSERT_EQ(scale_->SetUnitLabel(KVI::String(u"mmHg")), S_OK);
    IAutoKVIString* unit = nullptr;
    ASSERT_EQ(scale_->Scale()->GetUnit(&unit), S_OK);
    const KVI::String text(unit);
    unit->Release();
    EXPECT_EQ(KVI::ToQString(text), QStringLiteral("mmHg"));
}

TEST_F(DragScaleTest, ThePaneDrawsValuesWhereTheScaleShowsThem)
{
    Place();
    scale_->SetRange(5.0, -5.0);
    IDragScaleObserver* observer = pane_->Observer();
    const uint32_t before = Refs(observer);
    ASSERT_EQ(scale_->RegisterObserver(observer), S_OK);
    EXPECT_EQ(Refs(observer), before + 2) << "held by the scale and by CDragScale";
    // Told the mapping at once: the top value on the pane's first row, the bottom on its last.
    EXPECT_EQ(pane_->Row(5.0), 0);
    EXPECT_NEAR(pane_->Row(-5.0), pane_->height() - 1, 1);

    // A new range reaches the pane through the scale's notification.
    scale_->SetRange(100.0, 0.0);
    EXPECT_EQ(pane_->Row(100.0), 0);
    EXPECT_NEAR(pane_->Row(50.0), (pane_->height() - 1) / 2, 1);

    // So does a drag on the scale with the mouse.
    QWidget* window = scale_->Window();
    const QPoint middle(window->width() / 2, window->height() / 2);
    QTest::mousePress(window, Qt::LeftButton, {}, middle);
    QTest::mouseMove(window, middle + QPoint(0, 10));
    QTest::mouseMove(window, middle + QPoint(0, 20));
    QTest::mouseRelease(window, Qt::LeftButton, {}, middle + QPoint(0, 20));
    double top = 0, bottom = 0;
    ASSERT_EQ(scale_->GetRange(&top, &bottom), S_OK);
    EXPECT_NE(top, 100.0) << "the drag changed the range";
    EXPECT_EQ(pane_->Row(top), 0);
    EXPECT_NEAR(pane_->Row(bottom), pane_->height() - 1, 1);

    // A picture of the pane with its scale, the way the dialog shows them.
    scale_->SetRange(100.0, 0.0);
    scale_->SetUnitLabel(KVI::String(u"mmHg"));
    std::vector<float> samples(2000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 50.0f + 35.0f * std::sin(static_cast<float>(i) / 150.0f);
    pane_->SetState(UnitConvertDataPane::kData);
    ComPtr<IEnumFloatEx> stream = ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(samples));
    pane_->LoadSamples(stream.Get(), 1.0);
    QTest::mouseClick(pane_, Qt::LeftButton, {}, QPoint(60, 40));
    QApplication::processEvents();
    dialog_.grab().save(TestSupport::TestOutputPath("pane_with_scale.png"));

    ASSERT_EQ(scale_->UnregisterObserver(observer), S_OK);
    EXPECT_EQ(Refs(observer), before);
    EXPECT_EQ(scale_->UnregisterObserver(observer), S_FALSE);
    const double scaleBefore = pane_->Scale();
    scale_->SetRange(1000.0, 0.0);
    EXPECT_EQ(pane_->Scale(), scaleBefore) << "no longer told";
}

TEST_F(DragScaleTest, ObserversAreUnregisteredWhenTheScaleGoes)
{
    IDragScaleObserver* observer = pane_->Observer();
    const uint32_t before = Refs(observer);
    ASSERT_EQ(scale_->RegisterObserver(observer), S_OK);
    EXPECT_EQ(scale_->RegisterObserver(observer), S_FALSE) << "registered once";
    scale_.reset();
    EXPECT_EQ(Refs(observer), before);
}

TEST_F(DragScaleTest, TheWindowMayGoWithItsParentFirst)
{
    auto parent = std::make_unique<QWidget>();
    CDragScale scale(parent.get(), CDragScale::kPaneScaleStyle, 0, -9, -9);
    ASSERT_EQ(scale.Create(), S_OK);
    ASSERT_NE(scale.Window(), nullptr);
    parent.reset();
    EXPECT_EQ(scale.Window(), nullptr);
    // The component still answers.
    EXPECT_EQ(scale.SetRange(2.0, 1.0), S_OK);
    EXPECT_GT(scale.PreferredWidth(), 0);
}

TEST_F(DragScaleTest, CreatingAgainReplacesTheComponent)
{
    IDragScaleObserver* observer = pane_->Observer();
    const uint32_t before = Refs(observer);
    ASSERT_EQ(scale_->RegisterObserver(observer), S_OK);
    IDragScale* first = scale_->Scale();
    first->AddRef();
    ASSERT_EQ(scale_->Create(), S_OK);
    EXPECT_NE(scale_->Scale(), first);
    EXPECT_EQ(Refs(observer), before) << "the old component's observers were unregistered";
    EXPECT_EQ(first->Release(), 0u) << "the old component was released";
}

}  // namespace
