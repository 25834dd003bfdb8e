// The data window driven by real events, offscreen: the repaint region of the dragged band
// (a pure function, and what the screen shows after a drag repainted only it), the wheel, the
// keys and the scroll bar moving the view, the lanes zoomed and autoscaled, and a zoomed-in
// paint of a long block drawn from its samples rather than its pyramid.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <optional>
#include <vector>

#include "host/velogram/channel_scale.h"
#include "host/velogram/data_window.h"
#include "host/velogram/selection_band.h"
#include "tests/velogram/host_document_setup.h"
#include "tests/velogram/window_test_util.h"

namespace {

using VelogramTest::ComPtr;
using VelogramTest::HostDocument;
using VelogramTest::MakeDocument;
using VelogramTest::Ramp;
using Velogram::BandRepaintRegion;
using Velogram::DataWindow;

TEST(BandRepaintRegion, HoldsWhatChangesAndNothingElse)
{
    // Bands over rows 10..59; columns as named.
    const auto band = [](int left, int right) { return QRect(QPoint(left, 10), QPoint(right, 59)); };
    struct Case {
        const char* name;
        std::optional<QRect> from, to;
        std::vector<QPoint> in;   // pixels that must be repainted
        std::vector<QPoint> out;  // pixels that must not
    };
    const std::vector<Case> cases = {
        {"no band either way", std::nullopt, std::nullopt, {}, {{50, 30}}},
        {"the same band", band(20, 80), band(20, 80), {}, {{20, 30}, {50, 30}, {80, 30}}},
        {"a band appears", std::nullopt, band(20, 80), {{20, 30}, {50, 30}, {80, 30}}, {{19, 30}, {81, 30}}},
        {"a band goes", band(20, 80), std::nullopt, {{20, 10}, {50, 59}, {80, 30}}, {{50, 60}, {81, 30}}},
        // Growing to the right: the old right edge lies inside both bands and loses its line.
        {"grows right", band(20, 80), band(20, 120), {{80, 30}, {81, 30}, {120, 59}, {20, 30}},
         {{50, 30}, {79, 30}, {121, 30}}},
        {"shrinks right", band(20, 120), band(20, 80), {{80, 30}, {100, 30}, {120, 30}}, {{50, 30}, {79, 30}}},
        {"grows left", band(60, 80), band(10, 80), {{10, 30}, {59, 30}, {60, 30}, {80, 30}}, {{61, 30}, {79, 30}}},
        {"moves apart", band(10, 20), band(50, 60), {{10, 30}, {15, 30}, {20, 30}, {50, 30}, {60, 30}},
         {{30, 30}, {21, 30}, {49, 30}}},
    };
    for (const Case& c : cases) {
        const QRegion region = BandRepaintRegion(c.from, c.to);
        for (const QPoint& p : c.in) EXPECT_TRUE(region.contains(p)) << c.name << " (" << p.x() << ", " << p.y() << ")";
        for (const QPoint& p : c.out) EXPECT_FALSE(region.contains(p)) << c.name << " (" << p.x() << ", " << p.y() << ")";
    }
}

// Writes down the region of every paint event of a widget.
class PaintRegions final : public QObject {
public:
    explicit PaintRegions(QWidget* w) { w->installEventFilter(this); }
    QRegion Take()
    {
        QRegion r = region_;
        region_ = QRegion();
        return r;
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) region_ += static_cast<QPaintEvent*>(e)->region();
        return false;
    }

private:
    QRegion region_;
};

class DataWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Two channels, two blocks of 4000 and 2000 samples.
        std::vector<float> sine(4000), cosine(2000);
        for (size_t i = 0; i < sine.size(); ++i) sine[i] = float(std::sin(double(i) / 200.0));
        for (size_t i = 0; i < cosine.size(); ++i) cosine[i] = float(std::cos(double(i) / 100.0));
        doc_ = MakeDocument({{sine, cosine}, {Ramp(4000, -1, 0.0005f), Ramp(2000)}});
        doc_->Recording()->SetDisplayRange(0, 1.5, -1.5);
        doc_->Recording()->SetDisplayRange(1, 2000, -2);
        window_.resize(1000, 420);
        window_.SetDocument(doc_.Get());
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    // The position under a client column.
    HostPosition At(int x) { return window_.PositionAtColumn(x); }
    int Middle() { return window_.PlotRect().center().x(); }
    int Row(int32_t lane) { return window_.LaneRect(lane).center().y(); }

    ComPtr<HostDocument> doc_;
    DataWindow window_;
};

// What the screen shows is what the paint events repainted: after a drag that repainted only the
// regions it asked for, the picture equals a whole new paint (no edge line left behind).
TEST_F(DataWindowTest, ADragRepaintsEveryPixelItChanges)
{
    PaintRegions regions(&window_);
    QApplication::processEvents();
    QImage screen = window_.grab().toImage();
    regions.Take();
    // As a backing store does: the pixels of the paint events' regions painted afresh, every
    // other pixel kept.
    const auto repaint = [&] {
        QApplication::processEvents();
        const QRegion region = regions.Take();
        const QImage fresh = window_.grab().toImage();
        regions.Take();  // the grab's own paint event
        QPainter painter(&screen);
        painter.setClipRegion(region);
        painter.drawImage(0, 0, fresh);
    };
    const QPoint from(window_.PlotRect().left() + 100, Row(0));
    QTest::mousePress(&window_, Qt::LeftButton, {}, from);
    for (int dx : {10, 40, 90, 60, 140, 130, 300}) {
        QTest::mouseMove(&window_, from + QPoint(dx, 0));
        repaint();
    }
    QTest::mouseRelease(&window_, Qt::LeftButton, {}, from + QPoint(300, 0));
    repaint();
    ASSERT_TRUE(window_.Band().has_value());
    EXPECT_EQ(screen, window_.grab().toImage());
}

TEST_F(DataWindowTest, TheWheelZoomsAroundThePointerAndScrollsWithShift)
{
    const int x = window_.PlotRect().left() + 250;
    const HostPosition before = At(x);
    const double scale = window_.View().PixelsPerSample();
    VelogramTest::Wheel(&window_, QPoint(x, Row(0)), 2);
    EXPECT_NEAR(window_.View().PixelsPerSample(), scale * 2.0, 1e-6 * scale);
    HostPosition after = At(x);
    EXPECT_EQ(after.block, before.block);
    EXPECT_NEAR(double(after.sample), double(before.sample), 1.0 / scale + 1.0);
    EXPECT_TRUE(window_.ScrollBar()->isEnabled());
    EXPECT_EQ(window_.ScrollBar()->value(), window_.View().Offset());

    // Shift and the wheel, or the wheel sideways, scroll an eighth of the view per notch.
    const int64_t offset = window_.View().Offset();
    const int64_t step = std::llround(double(window_.View().Width()) / 8.0);
    VelogramTest::Wheel(&window_, QPoint(x, Row(0)), -1, Qt::ShiftModifier);
    EXPECT_EQ(window_.View().Offset(), offset + step);
    VelogramTest::Wheel(&window_, QPoint(x, Row(0)), 1, {}, true);
    EXPECT_EQ(window_.View().Offset(), offset);

    // Out again past the start: everything, no scrolling.
    VelogramTest::Wheel(&window_, QPoint(x, Row(0)), -6);
    EXPECT_TRUE(window_.View().FitsAll());
    EXPECT_FALSE(window_.ScrollBar()->isEnabled());
}

TEST_F(DataWindowTest, KeysAndTheScrollBarMoveTheView)
{
    window_.setFocus();
    QTest::keyClick(&window_, Qt::Key_Plus);
    QTest::keyClick(&window_, Qt::Key_Plus);
    const double zoomed = window_.View().PixelsPerSample();
    EXPECT_FALSE(window_.View().FitsAll());
    QTest::keyClick(&window_, Qt::Key_Minus);
    EXPECT_NEAR(window_.View().PixelsPerSample(), zoomed / 2, 1e-6 * zoomed);
    QTest::keyClick(&window_, Qt::Key_Plus);

    struct Step {
        Qt::Key key;
        int64_t offset;  // -1: the end
    };
    const int64_t page = window_.View().Width();
    const int64_t start = window_.View().Offset();
    const int64_t end = window_.View().MaxOffset();
    const std::vector<Step> steps = {
        {Qt::Key_Home, 0}, {Qt::Key_Right, page / 8}, {Qt::Key_PageDown, page / 8 + page},
        {Qt::Key_Left, page}, {Qt::Key_End, end}, {Qt::Key_PageDown, end}, {Qt::Key_PageUp, end - page},
    };
    ASSERT_GT(start, 0) << "zoomed around the middle";
    for (const Step& s : steps) {
        QTest::keyClick(&window_, s.key);
        EXPECT_EQ(window_.View().Offset(), s.offset) << s.key;
    }
    // The scroll bar moves the view, and follows it.
    window_.ScrollBar()->setValue(123);
    EXPECT_EQ(window_.View().Offset(), 123);
    EXPECT_EQ(At(window_.PlotRect().left()).sample, window_.Layout().PositionAt(123).sample);
    QTest::keyClick(&window_, Qt::Key_0);
    EXPECT_TRUE(window_.View().FitsAll());
    EXPECT_EQ(window_.ScrollBar()->value(), 0);
}

TEST_F(DataWindowTest, LanesZoomAroundThePointersValueAndFitWhatIsInView)
{
    std::vector<int32_t> told;
    window_.SetRangeListener([&](int32_t channel) { told.push_back(channel); });
    // Ctrl and the wheel: the value at the pointer's row stays there, the span halves.
    const QRect lane = window_.LaneRect(1);
    const int row = lane.top() + lane.height() / 4;
    const auto valueAt = [&](int y) {
        const Velogram::ChannelInfo info = doc_->Info(1);
        const Velogram::ChannelScale scale(lane, info.top, info.bottom);
        return info.top + (y - scale.Row(info.top)) / (scale.Row(info.bottom) - scale.Row(info.top)) *
                              (info.bottom - info.top);
    };
    const double value = valueAt(row);
    VelogramTest::Wheel(&window_, QPoint(Middle(), row), 2, Qt::ControlModifier);
    const Velogram::ChannelInfo zoomed = doc_->Info(1);
    EXPECT_NEAR(zoomed.top - zoomed.bottom, 2002.0 / 2.0, 1e-6);
    EXPECT_NEAR(valueAt(row), value, 1e-6 * 2002);
    EXPECT_EQ(told, std::vector<int32_t>{1});
    EXPECT_EQ(doc_->Info(0).top, 1.5) << "other lanes keep their range";

    // A double click on the scale fits the lane to the samples in view: zoomed into the first
    // eighth of block 1, the ramp there runs from -1 to about -0.6.
    window_.ZoomAt(8.0, window_.PlotRect().left());
    QTest::mouseDClick(&window_, Qt::LeftButton, {}, QPoint(10, Row(1)));
    const Velogram::ChannelInfo fitted = doc_->Info(1);
    double lowest = 0, highest = 0;
    ASSERT_TRUE(window_.VisibleExtremes(1, &lowest, &highest));
    EXPECT_NEAR(lowest, -1.0, 1e-6);
    EXPECT_LT(highest, 0.0);
    EXPECT_LE(fitted.bottom, lowest);
    EXPECT_GE(fitted.top, highest);
    EXPECT_LT(fitted.top - fitted.bottom, 2.0 * (highest - lowest));
    EXPECT_EQ(told.size(), 2u);
    // The key A fits every lane.
    window_.setFocus();
    QTest::keyClick(&window_, Qt::Key_A);
    EXPECT_EQ(told.size(), 4u);
}

// Deep in a block too long for its samples to be kept, every column shows the trace's own
// pixels: a sample each 64 columns joined by lines, not a bucket's envelope.
TEST(DataWindowPaint, AZoomedInViewOfALongBlockDrawsItsSamples)
{
    std::vector<float> samples(600'000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = float(std::sin(double(i) / 3.0));
    const ComPtr<HostDocument> doc = MakeDocument({{samples}});
    doc->Recording()->SetDisplayRange(0, 1.2, -1.2);
    DataWindow window;
    window.resize(900, 300);
    window.SetDocument(doc.Get());
    ASSERT_FALSE(window.Summaries().Get(0, 0)->KeepsSamples());
    window.ZoomAt(1e9, window.PlotRect().center().x());
    ASSERT_EQ(window.View().PixelsPerSample(), Velogram::DataView::kMaxPixelsPerSample);
    const QImage image = window.grab().toImage();
    EXPECT_EQ(window.Summaries().DetailReads(), 1);

    const Velogram::ChannelInfo info = doc->Info(0);
    const QColor colour((info.colour >> 16) & 0xFF, (info.colour >> 8) & 0xFF, info.colour & 0xFF);
    const QRect lane = window.LaneRect(0);
    const Velogram::ChannelScale scale(lane, info.top, info.bottom);
    int checked = 0;
    for (int x = lane.left() + 2; x < lane.right() - 2; ++x) {
        const HostPosition at = window.PositionAtColumn(x);
        if (window.ColumnOf(at) != x) continue;  // a sample's own column
        const int row = int(std::lround(scale.Row(samples[size_t(at.sample)])));
        EXPECT_GT(VelogramTest::CountPixels(image, QRect(x, row - 1, 1, 3), colour), 0) << "sample " << at.sample;
        ++checked;
    }
    EXPECT_GE(checked, lane.width() / 64 - 1);
    // A bucket's envelope spans far more rows than the line between two neighbouring samples.
    const int x = window.ColumnOf(window.PositionAtColumn(lane.center().x())) + 32;
    EXPECT_LT(VelogramTest::CountPixels(image, QRect(x, lane.top(), 1, lane.height()), colour), lane.height() / 4);
}

}  // namespace
