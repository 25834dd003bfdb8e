// The XY graph: adding plots and their keys, the points of a plot (runs split at non-finite
// samples, the pixel limits, the origin), and what Paint draws into an image: background,
// axes, grid, the three draw kinds, gaps, far values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>

#include "guilib/graph/draw_style.h"
#include "guilib/graph/graph2d.h"
#include "guilib/graph/grid_plot.h"
#include "tests/guilib/render_fixtures.h"
#include "tests/support/fake_scale.h"
#include "tests/support/gui_test_util.h"

namespace {

using GUILib::CGraph2D;
using GUILib::GridPlot;
using GUILib::PlotKey;
using RenderTest::Canvas;
using RenderTest::DarkPixels;
using RenderTest::IsDark;
using RenderTest::MakeTable;
using RenderTest::PixelsOf;
using TestSupport::FakeScale;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const QColor kGreen(0, 160, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// A 200 x 100 graph: x from 0 to 100 over 200 pixels (2 pixels per unit), y from 0 to 100
// over 100 pixels (upwards, 1 pixel per unit); no grid unless a test asks for one.
class Graph : public testing::Test {
protected:
    void SetUp() override
    {
        graph_.resize(200, 100);
        graph_.ShowGrid(false);
        graph_.ConnectScales(&vertical_, &horizontal_);
    }

    void Attach(const std::vector<std::vector<float>>& columns)
    {
        data_ = MakeTable({}, columns);
        graph_.AttachData(data_.Get());
    }

    QImage Render(const QRect& rect = QRect(0, 0, 200, 100), const QColor& fill = Qt::white, bool erase = true)
    {
        QImage image = Canvas(QSize(200, 100), fill);
        QPainter painter(&image);
        graph_.Paint(painter, erase, rect);
        return image;
    }

    std::vector<QPoint> Points(int32_t x, int32_t y) const { return graph_.Plot(x, y)->plot_->Points(); }
    std::vector<int32_t> Runs(int32_t x, int32_t y) const { return graph_.Plot(x, y)->plot_->Runs(); }

    FakeScale horizontal_{false, 0, 100, 200};
    FakeScale vertical_{true, 0, 100, 100};
    platform::ComPtr<GUILib::CTabulatedData> data_;
    CGraph2D graph_;
};

TEST_F(Graph, AddPlotFailsWithoutDataOrWithANegativeColumn)
{
    EXPECT_FALSE(graph_.AddPlot(0, 1, KVI::String(u"p")));
    EXPECT_FALSE(graph_.CursorTrace());
    Attach({{1}, {2}});
    for (const PlotKey key : {PlotKey{-1, 1}, PlotKey{0, -1}, PlotKey{-5, -5}}) {
        EXPECT_FALSE(graph_.AddPlot(key.x, key.y, KVI::String(u"p"))) << key.x << " " << key.y;
        EXPECT_EQ(graph_.Plot(key.x, key.y), nullptr);
    }
    EXPECT_FALSE(graph_.CursorTrace());
    EXPECT_TRUE(graph_.AddPlot(0, 1, KVI::String(u"p")));
    EXPECT_EQ(graph_.CursorTrace(), (PlotKey{0, 1}));
}

TEST_F(Graph, AddingAnExistingKeyChangesNothingOfThePlotButMovesTheCursorTrace)
{
    Attach({{10, 20}, {10, 20}, {30, 40}, {30, 40}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String(u"first")));
    ASSERT_TRUE(graph_.SetPlotColour(0, 1, kRed));
    ASSERT_TRUE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawPoints, 3));
    ASSERT_TRUE(graph_.AddPlot(2, 3, KVI::String(u"second")));
    EXPECT_EQ(graph_.CursorTrace(), (PlotKey{2, 3}));
    const GUILib::PlotInfo* plot = graph_.Plot(0, 1);

    EXPECT_FALSE(graph_.AddPlot(0, 1, KVI::String(u"other")));
    EXPECT_EQ(graph_.Plot(0, 1), plot);
    EXPECT_EQ(plot->name_, KVI::String(u"first"));
    EXPECT_EQ(plot->colour_, kRed);
    ASSERT_EQ(plot->drawObjects_.size(), 1u);
    EXPECT_EQ(plot->drawObjects_.begin()->second.kind, GUILib::kDrawPoints);
    EXPECT_EQ(plot->drawObjects_.begin()->second.size, 3);
    EXPECT_EQ(graph_.CursorTrace(), (PlotKey{0, 1}));
}

TEST_F(Graph, PlotOperationsFailForAnUnknownKeyOrKind)
{
    Attach({{1}, {2}});
    EXPECT_FALSE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawPoints, 2));
    EXPECT_FALSE(graph_.SetPlotColour(0, 1, kRed));
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    EXPECT_FALSE(graph_.SetPlotDrawKind(0, 1, 4, 2));
    EXPECT_EQ(graph_.Plot(0, 1)->drawObjects_.begin()->second.kind, GUILib::kDrawLineSegments);
    EXPECT_TRUE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawNone, 0));
    EXPECT_TRUE(graph_.Plot(0, 1)->drawObjects_.empty());
}

TEST_F(Graph, PointsAreTheScalesPixelsOfTheSamples)
{
    Attach({{0, 10, 50, 100}, {0, 25, 50, 100}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    EXPECT_EQ(Points(0, 1), (std::vector<QPoint>{{0, 100}, {20, 75}, {100, 50}, {200, 0}}));
    EXPECT_EQ(Runs(0, 1), std::vector<int32_t>({4}));
    EXPECT_EQ(graph_.Plot(0, 1)->plot_->Samples()[1], std::make_pair(10.0f, 25.0f));
}

struct GapCase {
    const char* name;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<int32_t> runs;
};

class PlotRuns : public Graph, public testing::WithParamInterface<GapCase> {};

TEST_P(PlotRuns, EndAtEveryNonFiniteSample)
{
    const GapCase& c = GetParam();
    Attach({c.x, c.y});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    EXPECT_EQ(Runs(0, 1), c.runs);
    int32_t total = 0;
    for (int32_t r : c.runs) total += r;
    EXPECT_EQ(Points(0, 1).size(), size_t(total));
}

INSTANTIATE_TEST_SUITE_P(
    Graph, PlotRuns,
    testing::Values(GapCase{"NaNInTheMiddle", {0, 10, 20, 30, 40}, {10, 20, kNaN, 40, 50}, {2, 2}},
                    GapCase{"InfinityInX", {0, kInf, 20, 30}, {1, 2, 3, 4}, {1, 2}},
                    GapCase{"MinusInfinityInY", {0, 10, 20}, {1, 2, -kInf}, {2}},
                    GapCase{"SeveralInARow", {0, kNaN, kNaN, 30, 40}, {1, 2, 3, 4, kNaN}, {1, 1}},
                    GapCase{"OnlyGaps", {kNaN, 1}, {2, kNaN}, {}},
                    GapCase{"ShorterColumnDecides", {0, 10, 20, 30}, {1, 2}, {2}},
                    GapCase{"Empty", {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Graph, PlotWithANaNInTheMiddleIsDrawnAsTwoPolylines)
{
    Attach({{0, 10, 20, 30, 40}, {10, 20, kNaN, 40, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    graph_.SetPlotColour(0, 1, kBlue);
    // Points (0, 90) (20, 80) | (60, 60) (80, 50).
    const QImage image = Render();
    EXPECT_EQ(image.pixelColor(10, 85), kBlue);
    EXPECT_EQ(image.pixelColor(70, 55), kBlue);
    EXPECT_EQ(PixelsOf(image, QRect(25, 60, 30, 20), kBlue), 0) << "no line across the gap";
}

TEST_F(Graph, FarValuesArePinnedToTheLimitsAndDoNotWrap)
{
    Attach({{50, 1e9f, -1e9f, 50, 3e38f}, {50, 50, 50, 1e30f, -3e38f}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    EXPECT_EQ(Points(0, 1), (std::vector<QPoint>{{100, 50}, {16000, 50}, {-16000, 50}, {100, -16000},
                                                 {16000, 16000}}));
    graph_.SetPlotColour(0, 1, kBlue);
    const QImage image = Render();
    // The line from (100, 50) runs right to the edge, then back left across the whole graph.
    for (int x : {1, 50, 150, 198}) EXPECT_EQ(image.pixelColor(x, 50), kBlue) << x;
}

TEST_F(Graph, TheOriginShiftsEveryPoint)
{
    Attach({{0, 50}, {0, 50}});
    graph_.SetOrigin(QPoint(5, -7));
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    EXPECT_EQ(Points(0, 1), (std::vector<QPoint>{{5, 93}, {105, 43}}));
}

TEST_F(Graph, NewScalesOrANewSourceRebuildThePoints)
{
    Attach({{0, 50}, {0, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    FakeScale wide{false, 0, 100, 400};
    graph_.ConnectScales(&vertical_, &wide);
    EXPECT_EQ(Points(0, 1), (std::vector<QPoint>{{0, 100}, {200, 50}}));

    auto other = MakeTable({}, {{100}, {100}});
    graph_.AttachData(other.Get());
    EXPECT_EQ(Points(0, 1), (std::vector<QPoint>{{400, 0}}));
    graph_.ConnectScales(&vertical_, &horizontal_);
}

TEST_F(Graph, AFailingTransformOrAMissingColumnLeavesThePlotEmpty)
{
    Attach({{0, 50}, {0, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 5, KVI::String()));
    EXPECT_FALSE(graph_.Plot(0, 5)->plot_->HasData());
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    EXPECT_TRUE(graph_.Plot(0, 1)->plot_->HasData());
    horizontal_.FailTransform(true);
    graph_.RefreshPlots();
    EXPECT_FALSE(graph_.Plot(0, 1)->plot_->HasData());
    horizontal_.FailTransform(false);
}

TEST_F(Graph, PaintUsesTheReadyMadePoints)
{
    Attach({{0, 50}, {0, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    const int before = horizontal_.TransformsAsked() + vertical_.TransformsAsked();
    Render();
    Render();
    EXPECT_EQ(horizontal_.TransformsAsked() + vertical_.TransformsAsked(), before);
}

struct SmallCase {
    const char* name;
    QRect rect;
    bool drawn;
};

class SmallRect : public Graph, public testing::WithParamInterface<SmallCase> {};

TEST_P(SmallRect, OfThreePixelsOrLessPaintsOnlyTheBackground)
{
    const SmallCase& c = GetParam();
    Attach({{0, 100}, {0, 100}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    const QImage image = Render(c.rect, kGreen);
    const QColor window = GUILib::WindowColour();
    EXPECT_EQ(PixelsOf(image, image.rect(), kGreen), 200 * 100 - c.rect.width() * c.rect.height());
    EXPECT_EQ(PixelsOf(image, c.rect, window) == c.rect.width() * c.rect.height(), !c.drawn);
}

INSTANTIATE_TEST_SUITE_P(Graph, SmallRect,
                         testing::Values(SmallCase{"ThreeWide", QRect(10, 10, 3, 50), false},
                                         SmallCase{"ThreeHigh", QRect(10, 10, 50, 3), false},
                                         SmallCase{"OnePixel", QRect(10, 10, 1, 1), false},
                                         SmallCase{"FourByFour", QRect(10, 10, 4, 4), true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Graph, AxesRunDownTheLeftEdgeAndAlongTheBottomRow)
{
    const QRect rect(10, 20, 100, 60);  // right and bottom edges 110 and 80, exclusive
    const QImage image = Render(rect, kGreen);
    for (int y = 20; y <= 78; ++y) EXPECT_TRUE(IsDark(image, 10, y)) << y;
    for (int x = 10; x <= 108; ++x) EXPECT_TRUE(IsDark(image, x, 79)) << x;
    EXPECT_FALSE(IsDark(image, 109, 79)) << "the end point of the axis is not drawn";
    EXPECT_EQ(PixelsOf(image, image.rect(), Qt::black), 59 + 99);
    EXPECT_EQ(PixelsOf(image, rect, kGreen), 0);
}

TEST_F(Graph, GridModesDrawDottedLinesCrossingPixelsOrNothing)
{
    horizontal_.SetTicks(0, 50);
    vertical_.SetTicks(0, 25);
    graph_.ShowGrid(true);
    const QColor grid = graph_.GridColour();
    EXPECT_EQ(grid, QColor(166, 202, 240));

    QImage image = Render();
    for (int x : {50, 100, 150}) {
        const int n = PixelsOf(image, QRect(x, 1, 1, 98), grid);
        EXPECT_GT(n, 98 / 4) << x;
        EXPECT_LT(n, 98) << "dotted, " << x;
    }
    for (int y : {25, 50, 75}) EXPECT_GT(PixelsOf(image, QRect(1, y, 198, 1), grid), 198 / 4) << y;
    EXPECT_EQ(PixelsOf(image, QRect(51, 26, 48, 23), grid), 0);

    graph_.SetGridMode(GridPlot::kCrossingPixels);
    image = Render();
    // (0|50|100|150) x (0|25|50|75), but the left axis covers the column at 0.
    EXPECT_EQ(PixelsOf(image, image.rect(), grid), 3 * 4);
    EXPECT_EQ(image.pixelColor(100, 50), grid);

    graph_.SetGridMode(2);
    image = Render();
    EXPECT_EQ(PixelsOf(image, image.rect(), grid), 0);
}

// A dashed plot leaves gaps where a solid one is continuous; a grid pen several pixels wide
// (the printed page's) stays dotted instead of printing solid.
TEST_F(Graph, DashedPlotsAndWideGridPensLeaveGaps)
{
    Attach({{0, 100}, {50, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    ASSERT_TRUE(graph_.SetPlotColour(0, 1, kRed));
    const int solid = PixelsOf(Render(), QRect(0, 40, 200, 20), kRed);
    EXPECT_GE(solid, 190);
    ASSERT_TRUE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawLineSegments, 1, GUILib::kPenDash));
    const int dashed = PixelsOf(Render(), QRect(0, 40, 200, 20), kRed);
    EXPECT_GT(dashed, solid / 2);
    EXPECT_LT(dashed, solid * 9 / 10);

    graph_.SetPlotShown(0, 1, false);
    horizontal_.SetTicks(0, 50);
    vertical_.SetTicks(0, 25);
    graph_.ShowGrid(true);
    graph_.SetGridPenWidth(3);
    const QImage image = Render();
    const QColor grid = graph_.GridColour();
    // The vertical line at x = 100: three pixels wide, and rows with none of it between dots.
    EXPECT_GT(PixelsOf(image, QRect(97, 1, 7, 98), grid), 98);
    int rowsWithGrid = 0;
    for (int y = 1; y < 99; ++y) rowsWithGrid += PixelsOf(image, QRect(97, y, 7, 1), grid) > 0;
    EXPECT_GT(rowsWithGrid, 98 / 4);
    EXPECT_LT(rowsWithGrid, 98 * 9 / 10) << "dotted, not solid";
}

struct TickCase {
    const char* name;
    double first;
    double spacing;
    int32_t length;  // extent 0 .. length
    int base;
    int low;
    int high;
    std::vector<int> pixels;
};

class TickPixels : public testing::TestWithParam<TickCase> {};

TEST_P(TickPixels, AreTheTicksInsideTheExtentAndTheRectangle)
{
    const TickCase& c = GetParam();
    FakeScale scale{false, 0, 1, c.length};
    scale.SetTicks(c.first, c.spacing);
    EXPECT_EQ(GridPlot::TickPixels(&scale, c.base, c.low, c.high), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    GridPlot, TickPixels,
    testing::Values(TickCase{"Plain", 0, 50, 200, 0, 0, 200, {0, 50, 100, 150}},
                    TickCase{"ExtentEndIncludedWhenInside", 0, 50, 150, 0, 0, 200, {0, 50, 100, 150}},
                    TickCase{"Floored", 12.7, 25.5, 100, 0, 0, 100, {12, 38, 63, 89}},
                    TickCase{"ShiftedByTheBase", 0, 50, 200, 10, 10, 100, {10, 60}},
                    TickCase{"FirstBeforeZero", -10, 30, 100, 0, 0, 100, {20, 50, 80}},
                    TickCase{"NoTicks", 0, 0, 100, 0, 0, 100, {}},
                    TickCase{"DenserThanPixels", 0, 0.5, 100, 0, 0, 100, {}},
                    TickCase{"OutsideTheRectangle", 0, 50, 200, -500, 0, 100, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Graph, DrawKindsLinesPointsAndNumbers)
{
    Attach({{20, 50}, {50, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));  // points (40, 50) and (100, 50)
    graph_.SetPlotColour(0, 1, kRed);

    ASSERT_TRUE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawLineSegments, 3));
    QImage image = Render();
    EXPECT_EQ(PixelsOf(image, QRect(50, 49, 40, 3), kRed), 40 * 3) << "three pixels wide";
    EXPECT_EQ(PixelsOf(image, QRect(50, 45, 40, 3), kRed), 0);

    ASSERT_TRUE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawPoints, 4));
    image = Render();
    EXPECT_EQ(image.pixelColor(40, 50), kRed);
    EXPECT_EQ(image.pixelColor(43, 50), kRed);
    EXPECT_EQ(image.pixelColor(40, 47), kRed);
    EXPECT_EQ(image.pixelColor(46, 50), QColor(Qt::white)) << "radius 4";
    EXPECT_EQ(image.pixelColor(70, 50), QColor(Qt::white)) << "no line between the points";

    ASSERT_TRUE(graph_.SetPlotDrawKind(0, 1, GUILib::kDrawOrdinal, 6));
    image = Render();
    // The numbers sit on (x + 6, y - 6): above and right of their points.
    const QRect firstLabel(40, 30, 14, 14);
    EXPECT_GT(PixelsOf(image, firstLabel, kRed) + DarkPixels(image, firstLabel), 0);
    EXPECT_EQ(PixelsOf(image, QRect(30, 51, 80, 40), kRed), 0) << "nothing below the points";
    EXPECT_EQ(image.pixelColor(70, 50), QColor(Qt::white));
}

TEST_F(Graph, HiddenPlotsAreNotDrawn)
{
    Attach({{20, 50}, {50, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    graph_.SetPlotColour(0, 1, kRed);
    ASSERT_TRUE(graph_.SetPlotShown(0, 1, false));
    EXPECT_EQ(PixelsOf(Render(), QRect(0, 0, 200, 100), kRed), 0);
}

TEST_F(Graph, PlotsAreClippedToTheRectangle)
{
    Attach({{0, 100}, {50, 50}});
    ASSERT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    graph_.SetPlotColour(0, 1, kRed);
    // Drawn into the left half, shifted by the rectangle's corner.
    const QImage image = Render(QRect(0, 10, 100, 90));
    EXPECT_EQ(image.pixelColor(50, 60), kRed);
    EXPECT_EQ(PixelsOf(image, QRect(100, 0, 100, 100), kRed), 0);
}

TEST(Graph2D, HoldsReferencesOnItsSourceAndScalesUntilDestroyed)
{
    FakeScale h{false, 0, 1, 10}, v{true, 0, 1, 10};
    auto data = MakeTable({}, {{1}, {1}});
    auto refs = [&] {
        data->AddRef();
        return data->Release();
    };
    const uint32_t before = refs();
    {
        CGraph2D graph;
        graph.AttachData(data.Get());
        graph.ConnectScales(&v, &h);
        ASSERT_TRUE(graph.AddPlot(0, 1, KVI::String()));
        EXPECT_EQ(refs(), before + 1);
        EXPECT_GE(h.RefCount(), 1);
    }
    EXPECT_EQ(refs(), before);
    EXPECT_EQ(h.RefCount(), 0);
    EXPECT_EQ(v.RefCount(), 0);
}

TEST_F(Graph, Screenshot)
{
    FakeScale horizontal{false, 0, 100, 400}, vertical{true, 0, 100, 300};
    horizontal.SetTicks(0, 40);
    vertical.SetTicks(0, 30);
    graph_.resize(400, 300);
    // The local scales die before the fixture's graph: it is connected back at the end (no
    // early return).
    graph_.ConnectScales(&vertical, &horizontal);
    graph_.ShowGrid(true);
    std::vector<float> curveX, curveY;
    for (int i = 0; i <= 100; ++i) {
        curveX.push_back(float(i));
        curveY.push_back(float(10 + 0.008 * i * i));
    }
    const std::vector<float> rawX{10, 35, 60, 85}, rawY{11, 19.8f, 38.8f, 67.8f};
    Attach({curveX, curveY, rawX, rawY, rawX, rawY});
    EXPECT_TRUE(graph_.AddPlot(2, 3, KVI::String()));
    graph_.SetPlotDrawKind(2, 3, GUILib::kDrawPoints, 3);
    graph_.SetPlotColour(2, 3, kRed);
    EXPECT_TRUE(graph_.AddPlot(4, 5, KVI::String()));
    graph_.SetPlotDrawKind(4, 5, GUILib::kDrawOrdinal, 6);
    graph_.SetPlotColour(4, 5, Qt::black);
    EXPECT_TRUE(graph_.AddPlot(0, 1, KVI::String()));
    graph_.SetPlotDrawKind(0, 1, GUILib::kDrawLineSegments, 1);
    graph_.SetPlotColour(0, 1, kBlue);

    QImage image = Canvas(QSize(400, 300));
    {
        QPainter painter(&image);
        graph_.Paint(painter, true, image.rect());
    }
    EXPECT_GT(PixelsOf(image, image.rect(), kBlue), 300);
    EXPECT_GT(PixelsOf(image, image.rect(), kRed), 4 * 9);
    EXPECT_TRUE(image.save(TestSupport::TestOutputPath(QStringLiteral("graph2d.png"))));
    graph_.ConnectScales(&vertical_, &horizontal_);
}

}  // namespace
