// The graph's cursor and read-out: the cursor snaps to the trace's nearest sample and tells
// the parent window its values, leaving the window hides it with one empty notification,
// moving it repaints only its old and new rectangles from the double buffer, and the bitmap
// is drawn by exclusive-or. The read-out draws its text at its reference point.
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPicture>
#include <QWidget>

#include "guilib/graph/bitmap_cursor.h"
#include "guilib/graph/graph2d.h"
#include "guilib/graph/read_out.h"
#include "tests/guilib/render_fixtures.h"
#include "tests/support/fake_scale.h"
#include "tests/support/gui_test_util.h"

namespace {

using GUILib::CBitmapCursor;
using GUILib::CGraph2D;
using GUILib::CReadOut;
using GUILib::GraphCursorEvent;
using GUILib::TextFormat;
using RenderTest::Canvas;
using RenderTest::MakeTable;
using TestSupport::FakeScale;

// The graph's parent: records every cursor notification (nullopt for "left").
class Parent : public QWidget {
public:
    std::vector<std::optional<std::pair<float, float>>> heard_;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == GraphCursorEvent::kType) {
            const float* v = static_cast<GraphCursorEvent*>(e)->Values();
            heard_.push_back(v ? std::optional(std::make_pair(v[0], v[1])) : std::nullopt);
            return true;
        }
        return QWidget::event(e);
    }
};

// Records the regions of the paint events of a widget.
class PaintSpy : public QObject {
public:
    std::vector<QRegion> regions_;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) regions_.push_back(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
};

class Cursor : public testing::Test {
protected:
    void SetUp() override
    {
        parent_.resize(220, 120);
        graph_ = new CGraph2D(&parent_);
        graph_->setGeometry(0, 0, 200, 100);
        graph_->ConnectScales(&vertical_, &horizontal_);
        // Samples (10, 10), (50, 50), (90, 90): points (20, 90), (100, 50), (180, 10).
        data_ = MakeTable({}, {{10, 50, 90}, {10, 50, 90}, {0, 100}, {50, 50}});
        graph_->AttachData(data_.Get());
        ASSERT_TRUE(graph_->AddPlot(0, 1, KVI::String()));
    }

    void MoveMouse(QPoint p)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(graph_->mapToGlobal(p)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(graph_, &move);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(graph_, &leave);
    }

    FakeScale horizontal_{false, 0, 100, 200};
    FakeScale vertical_{true, 0, 100, 100};
    platform::ComPtr<GUILib::CTabulatedData> data_;
    Parent parent_;
    CGraph2D* graph_ = nullptr;
};

TEST_F(Cursor, SnapsToTheNearestSampleOfTheTraceAndTellsTheParentItsValues)
{
    EXPECT_FALSE(graph_->Cursor().IsShown());
    MoveMouse(QPoint(95, 60));
    EXPECT_TRUE(graph_->Cursor().IsShown());
    EXPECT_EQ(graph_->Cursor().Position(), QPoint(100, 50));
    MoveMouse(QPoint(199, 0));
    EXPECT_EQ(graph_->Cursor().Position(), QPoint(180, 10));
    MoveMouse(QPoint(0, 0));
    EXPECT_EQ(graph_->Cursor().Position(), QPoint(20, 90)) << "nearest in pixels, not in values";
    const std::vector<std::optional<std::pair<float, float>>> expected{
        std::pair(50.0f, 50.0f), std::pair(90.0f, 90.0f), std::pair(10.0f, 10.0f)};
    EXPECT_EQ(parent_.heard_, expected);
}

TEST_F(Cursor, FollowsTheLastPlotAddedAndTheFirstOfEquallyNearSamples)
{
    ASSERT_TRUE(graph_->AddPlot(2, 3, KVI::String()));  // points (0, 50) and (200, 50)
    MoveMouse(QPoint(100, 0));
    EXPECT_EQ(graph_->Cursor().Position(), QPoint(0, 50));
    ASSERT_EQ(parent_.heard_.size(), 1u);
    EXPECT_EQ(parent_.heard_[0], std::pair(0.0f, 50.0f));
}

TEST_F(Cursor, LeavingTheWindowHidesItAndSendsOneEmptyNotification)
{
    MoveMouse(QPoint(95, 60));
    parent_.heard_.clear();
    Leave();
    EXPECT_FALSE(graph_->Cursor().IsShown());
    ASSERT_EQ(parent_.heard_.size(), 1u);
    EXPECT_FALSE(parent_.heard_[0]);
}

TEST_F(Cursor, NothingHappensWhenTheTraceIsHiddenOrEmpty)
{
    ASSERT_TRUE(graph_->SetPlotShown(0, 1, false));
    MoveMouse(QPoint(95, 60));
    EXPECT_FALSE(graph_->Cursor().IsShown());
    EXPECT_TRUE(parent_.heard_.empty());

    ASSERT_TRUE(graph_->AddPlot(0, 7, KVI::String()));  // no such column: no points
    MoveMouse(QPoint(95, 60));
    EXPECT_FALSE(graph_->Cursor().IsShown());
    EXPECT_TRUE(parent_.heard_.empty());
}

TEST_F(Cursor, MovingRepaintsOnlyTheOldAndNewRectanglesFromTheBuffer)
{
    horizontal_.SetTicks(0, 50);
    vertical_.SetTicks(0, 25);
    PaintSpy spy;
    graph_->installEventFilter(&spy);
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !spy.regions_.empty(); }));

    MoveMouse(QPoint(95, 60));
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return spy.regions_.size() >= 2; }));
    const QRect first = graph_->Cursor().Rect();
    EXPECT_EQ(spy.regions_.back(), QRegion(first));
    EXPECT_EQ(first, QRect(92, 42, 16, 16));

    const int ticks = horizontal_.TicksAsked();
    spy.regions_.clear();
    MoveMouse(QPoint(170, 20));
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !spy.regions_.empty(); }));
    EXPECT_EQ(spy.regions_.back(), QRegion(first) + QRegion(graph_->Cursor().Rect()));
    EXPECT_EQ(horizontal_.TicksAsked(), ticks) << "the graph itself was not drawn again";

    spy.regions_.clear();
    graph_->Invalidate();
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !spy.regions_.empty(); }));
    EXPECT_GT(horizontal_.TicksAsked(), ticks);

    // On the screen the cross inverts the white background around the sample (180, 10); its
    // hot spot keeps the graph's pixel.
    const QImage shown = graph_->grab().toImage();
    EXPECT_EQ(shown.pixelColor(180, 10 + 4), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(180 - 4, 10), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(183, 13), QColor(Qt::white));
    EXPECT_TRUE(shown.save(TestSupport::TestOutputPath(QStringLiteral("graph2d_cursor.png"))));
    graph_->removeEventFilter(&spy);
}

TEST(BitmapCursor, ExclusiveOrTwiceRestoresThePicture)
{
    CBitmapCursor cursor;
    ASSERT_EQ(cursor.Rect().size(), QSize(16, 16));
    cursor.SetPosition(QPoint(20, 20));
    EXPECT_EQ(cursor.Rect(), QRect(12, 12, 16, 16));

    QImage image = Canvas(QSize(40, 40), QColor(10, 200, 30));
    for (int x = 0; x < 40; ++x) image.setPixelColor(x, 5 + x % 30, QColor(240, 20, 100));
    const QImage before = image;
    {
        QPainter painter(&image);
        cursor.Draw(painter);
    }
    EXPECT_EQ(image.pixelColor(20, 14), QColor(245, 55, 225)) << "inverted";
    EXPECT_EQ(image.pixelColor(20, 20), before.pixelColor(20, 20)) << "the gap at the hot spot";
    EXPECT_EQ(image.pixelColor(13, 13), before.pixelColor(13, 13));
    {
        QPainter painter(&image);
        cursor.Draw(painter);
    }
    EXPECT_EQ(image, before);
}

TEST(BitmapCursor, IsLeftOutOfPictures)
{
    CBitmapCursor cursor;
    cursor.SetPosition(QPoint(20, 20));
    QPicture picture;
    {
        QPainter painter(&picture);
        cursor.Draw(painter);
    }
    EXPECT_TRUE(picture.boundingRect().isEmpty());
}

struct ReferenceCase {
    int32_t alignment;
    QPoint point;
};

TEST(ReadOut, ReferencePointFollowsTheAlignment)
{
    const QRect rect(0, 0, 100, 18);
    const ReferenceCase cases[] = {
        {TextFormat::kAlignLeft | TextFormat::kAlignBottom, QPoint(0, 18)},
        {TextFormat::kAlignLeft | TextFormat::kAlignTop, QPoint(0, 0)},
        {TextFormat::kAlignCenter | TextFormat::kAlignBottom, QPoint(50, 18)},
        {TextFormat::kAlignRight | TextFormat::kAlignTop, QPoint(100, 0)},
        {TextFormat::kAlignLeft | TextFormat::kAlignBaseline, QPoint(0, 18)},
    };
    for (const ReferenceCase& c : cases) EXPECT_EQ(CReadOut::ReferencePoint(rect, c.alignment), c.point) << c.alignment;
}

TEST(ReadOut, FillsItsBackgroundAndDrawsItsTextOnItsBottomLeft)
{
    CReadOut readOut;
    readOut.resize(100, 18);
    EXPECT_EQ(readOut.Format().backgroundMode_, TextFormat::kTransparent);
    readOut.Format().alignment_ = TextFormat::kAlignLeft | TextFormat::kAlignBottom;
    readOut.SetText(QStringLiteral("x = 1.25 V"));
    QImage image = Canvas(QSize(100, 30), QColor(200, 255, 200));
    {
        QPainter painter(&image);
        readOut.Paint(painter, QRect(0, 0, 100, 18), QRect(0, 0, 100, 18));
    }
    QRect ink;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x)
            if (qGray(image.pixel(x, y)) < 100) ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.left(), 2);
    EXPECT_LE(ink.bottom(), 17);
    EXPECT_GE(ink.bottom(), 12);
    EXPECT_EQ(image.pixelColor(99, 0), readOut.Format().backgroundColour_);
    EXPECT_EQ(image.pixelColor(50, 25), QColor(200, 255, 200)) << "outside the painted rectangle";
}

}  // namespace
