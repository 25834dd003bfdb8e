// The selection pane driven offscreen with real mouse events, and checked on its pixels: the
// three states, selecting a span by clicking and dragging, the highlight's repaints, the double
// click, the envelope and the polyline, the markers and the statistics.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include "foundation/gui/resource_bitmap.h"
#include "platform/com_ptr.h"
#include "settings_dialog/pane_geometry.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "tests/support/fake_host_document.h"
#include "tests/support/gui_test_util.h"

namespace {

using platform::ComPtr;
using Tessar::UnitConvertDataPane;
namespace Geo = Tessar::PaneGeometry;

const QColor kTrace(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

std::vector<float> Ramp(size_t count, float first = 0.0f)
{
    std::vector<float> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = first + static_cast<float>(i);
    return v;
}

// Counts the events the pane sends its parent, and the regions the pane is asked to repaint.
class Watcher : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == UnitConvertDataPane::kTakeValueEvent) ++takeValue;
        if (event->type() == QEvent::Paint) painted.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
    int takeValue = 0;
    std::vector<QRegion> painted;
};

class PaneTest : public testing::Test {
protected:
    // A pane of 218 x 120 (a trace of 200 columns) in a parent that stands for the dialog; values
    // v are drawn at row 110 - v.
    void SetUp() override
    {
        parent_.resize(240, 140);
        pane_ = new UnitConvertDataPane(&parent_, kTrace);
        pane_->setGeometry(10, 10, 218, 120);
        pane_->OnRangeChanged(-1.0, -110.0);
        parent_.installEventFilter(&parentWatcher_);
        parent_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    }

    void Load(const std::vector<float>& samples, double factor = 1.0)
    {
        pane_->ClearSamples();
        pane_->SetState(UnitConvertDataPane::kData);
        ComPtr<IEnumFloatEx> stream = ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(samples));
        pane_->LoadSamples(stream.Get(), factor);
    }

    void Drag(int fromX, int toX, int y = 60)
    {
        QTest::mousePress(pane_, Qt::LeftButton, {}, QPoint(fromX, y));
        QTest::mouseMove(pane_, QPoint((fromX + toX) / 2, y));
        QTest::mouseMove(pane_, QPoint(toX, y));
        QTest::mouseRelease(pane_, Qt::LeftButton, {}, QPoint(toX, y));
    }

    QImage Picture()
    {
        QApplication::processEvents();
        return pane_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    void Save(const QImage& image, const char* name) { image.save(TestSupport::TestOutputPath(name)); }

    int Trace() const { return Geo::TraceWidth(pane_->width()); }

    QWidget parent_;
    UnitConvertDataPane* pane_ = nullptr;
    Watcher parentWatcher_;
};

// The columns of the trace area (0..trace) where two pictures differ.
std::vector<int> ChangedColumns(const QImage& a, const QImage& b, int trace)
{
    std::vector<int> columns;
    for (int x = 0; x <= trace; ++x)
        for (int y = 0; y < a.height(); ++y)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                columns.push_back(x);
                break;
            }
    return columns;
}

TEST_F(PaneTest, NoSelectionIsPlainLightGrey)
{
    for (int32_t state : {0, 7}) {
        pane_->SetState(state);
        const QImage picture = Picture();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_EQ(picture.pixel(x, y), qRgb(192, 192, 192)) << "state " << state << " at " << x << "," << y;
        if (state == 0) Save(picture, "pane_state0_no_selection.png");
    }
}

TEST_F(PaneTest, SelectionWithoutDataShowsTheMessageFromTheTop)
{
    pane_->setGeometry(10, 10, 300, 160);
    parent_.resize(330, 190);
    pane_->SetState(UnitConvertDataPane::kNoData);
    const QImage picture = Picture();
    Save(picture, "pane_state2_no_data.png");
    const QRgb face = pane_->palette().color(QPalette::Button).rgb();
    EXPECT_EQ(picture.pixel(0, picture.height() - 1), face);
    // Three lines of text from the top, centred: dark pixels in the upper part only, about as
    // far from the left edge as from the right.
    int left = picture.width(), right = -1, lowest = -1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
                lowest = std::max(lowest, y);
            }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_GT(lowest, 30) << "three lines";
    EXPECT_LT(lowest, picture.height() / 2) << "the lines start at the top";
    EXPECT_NEAR(left, picture.width() - 1 - right, 4) << "centred";
}

TEST_F(PaneTest, AClickSelectsOneColumn)
{
    Load(Ramp(400));  // two samples per pixel
    const QImage before = Picture();
    QTest::mouseClick(pane_, Qt::LeftButton, {}, QPoint(40, 60));
    EXPECT_EQ(pane_->SpanStartX(), 40);
    EXPECT_EQ(pane_->SpanEndX(), 41);
    EXPECT_EQ(pane_->FirstSpanIndex(), 80);
    EXPECT_EQ(pane_->LastSpanIndex(), 82);
    EXPECT_DOUBLE_EQ(pane_->CurrentValue(), 81.0);
    const QImage after = Picture();
    EXPECT_EQ(ChangedColumns(before, after, Trace()), std::vector<int>{40});
    // Inverted from row 2 to height - 3, nothing else in that column.
    for (int y = 0; y < after.height(); ++y) {
        const bool inside = y >= 2 && y <= after.height() - 3;
        EXPECT_EQ(after.pixel(40, y) != before.pixel(40, y), inside) << "row " << y;
        if (inside) {
            EXPECT_EQ(after.pixel(40, y), (~before.pixel(40, y) & 0xFFFFFF) | 0xFF000000u);
        }
    }
}

TEST_F(PaneTest, DraggingBeyondThePaneStaysInTheTraceArea)
{
    Load(Ramp(400));
    const QImage before = Picture();
    Drag(150, 600);
    EXPECT_EQ(pane_->SpanStartX(), 150);
    EXPECT_EQ(pane_->SpanEndX(), Trace());
    const QImage right = Picture();
    const std::vector<int> changed = ChangedColumns(before, right, Trace());
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(changed.front(), 150);
    EXPECT_EQ(changed.back(), Trace() - 1);
    EXPECT_EQ(changed.size(), static_cast<size_t>(Trace() - 150));
    EXPECT_EQ(pane_->LastSpanIndex(), 399);

    Drag(50, -100);
    EXPECT_EQ(pane_->SpanEndX(), 0);
    EXPECT_EQ(pane_->FirstSpanIndex(), 0);
    EXPECT_EQ(pane_->LastSpanIndex(), 100);
    EXPECT_DOUBLE_EQ(pane_->CurrentValue(), 50.0);
    EXPECT_DOUBLE_EQ(pane_->Maximum(), 100.0);
    EXPECT_DOUBLE_EQ(pane_->Minimum(), 0.0);
}

TEST_F(PaneTest, MovingTheHighlightRepaintsOnlyTheChangedColumns)
{
    Load(Ramp(400));
    Watcher paneWatcher;
    pane_->installEventFilter(&paneWatcher);
    QTest::mousePress(pane_, Qt::LeftButton, {}, QPoint(20, 60));
    QTest::mouseMove(pane_, QPoint(30, 60));
    QApplication::processEvents();
    paneWatcher.painted.clear();
    QTest::mouseMove(pane_, QPoint(31, 60));
    QApplication::processEvents();
    ASSERT_EQ(paneWatcher.painted.size(), 1u);
    EXPECT_EQ(paneWatcher.painted[0], QRegion(QRect(30, 2, 1, pane_->height() - 4)));
    paneWatcher.painted.clear();
    QTest::mouseMove(pane_, QPoint(28, 60));
    QApplication::processEvents();
    ASSERT_EQ(paneWatcher.painted.size(), 1u);
    EXPECT_EQ(paneWatcher.painted[0], QRegion(QRect(28, 2, 3, pane_->height() - 4)));
    QTest::mouseRelease(pane_, Qt::LeftButton, {}, QPoint(28, 60));
    pane_->removeEventFilter(&paneWatcher);
}

TEST_F(PaneTest, DoubleClickAsksForTheValueOnlyWithSamples)
{
    // Through the window, as the windowing system delivers a double click: press, release,
    // press, release, with the double click reported on the second press.
    auto doubleClick = [this](QPoint at) {
        QTest::mouseDClick(parent_.windowHandle(), Qt::LeftButton, {}, pane_->mapTo(&parent_, at));
    };
    doubleClick(QPoint(40, 60));
    EXPECT_EQ(parentWatcher_.takeValue, 0) << "an empty pane sends nothing";
    EXPECT_EQ(pane_->SpanEndX(), 0) << "and selects nothing";

    Load(Ramp(400));
    doubleClick(QPoint(40, 60));
    EXPECT_EQ(parentWatcher_.takeValue, 1);
    EXPECT_EQ(pane_->SpanStartX(), 40) << "the first click of the pair selects its column";
    EXPECT_EQ(pane_->SpanEndX(), 41);
}

TEST_F(PaneTest, AsManySamplesAsTracePixelsDrawThePolyline)
{
    // A level trace at row 60. With one sample per pixel the polyline reaches column `trace`;
    // one sample more makes the envelope, which ends before the last sample's column.
    Load(std::vector<float>(static_cast<size_t>(Trace()), 50.0f));
    QImage picture = Picture();
    EXPECT_DOUBLE_EQ(pane_->SamplesPerPixel(), 1.0);
    for (int x = 0; x <= Trace(); ++x) ASSERT_EQ(picture.pixel(x, 60), kTrace.rgb()) << "column " << x;
    Save(picture, "pane_state3_polyline.png");

    Load(std::vector<float>(static_cast<size_t>(Trace()) + 1, 50.0f));
    picture = Picture();
    EXPECT_GT(pane_->SamplesPerPixel(), 1.0);
    EXPECT_EQ(picture.pixel(Trace(), 60), kWhite);
}

TEST_F(PaneTest, TheEnvelopeDrawsOneLinePerColumn)
{
    std::vector<float> samples(1000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 50.0f + 45.0f * std::sin(static_cast<float>(i) / 40.0f) * std::cos(static_cast<float>(i) / 7.0f);
    Load(samples);
    const QImage picture = Picture();
    Save(picture, "pane_state3_envelope.png");
    const auto columns = Geo::EnvelopeColumns(samples, 5.0, Trace(), *pane_);
    ASSERT_EQ(columns.size(), static_cast<size_t>(Trace() - 1));
    for (int x = 0; x <= Trace(); ++x) {
        // The rows of the trace's colour in this column form one run, the column's line.
        int first = -1, last = -1, runs = 0;
        for (int y = 0; y < picture.height(); ++y) {
            if (picture.pixel(x, y) != kTrace.rgb()) continue;
            if (last != y - 1 || first < 0) ++runs;
            if (first < 0) first = y;
            last = y;
        }
        if (x >= Trace() - 1) {
            EXPECT_EQ(runs, 0) << "column " << x;
            continue;
        }
        ASSERT_EQ(runs, 1) << "column " << x;
        EXPECT_EQ(first, columns[x].top) << "column " << x;
        EXPECT_EQ(last, columns[x].bottom) << "column " << x;
    }
}

// The black pixels of the marker bitmaps: maximum, minimum, current.
std::vector<QImage> MarkerBitmaps()
{
    std::vector<QImage> images;
    for (int id : {KVI::BitmapId::kMarkerMaximum, KVI::BitmapId::kMarkerMinimum, KVI::BitmapId::kMarkerCurrent})
        images.push_back(KVI::LoadBitmapImage(id).convertToFormat(QImage::Format_RGB32));
    return images;
}

bool Black(QRgb p)
{
    return qGray(p) < 128;
}

TEST_F(PaneTest, MarkersSitAtTheRowsOfMaximumMinimumAndCurrent)
{
    Load(Ramp(400, -50.0f));  // values -50..349 at two per pixel; rows 160..-239
    Drag(40, 60);             // samples 80..120: values 30..70, mean 50
    ASSERT_DOUBLE_EQ(pane_->Maximum(), 70.0);
    ASSERT_DOUBLE_EQ(pane_->Minimum(), 30.0);
    ASSERT_DOUBLE_EQ(pane_->CurrentValue(), 50.0);
    const QImage picture = Picture();
    Save(picture, "pane_state3_span_and_markers.png");
    const std::vector<QImage> bitmaps = MarkerBitmaps();
    const int rows[] = {pane_->Row(70.0), pane_->Row(30.0), pane_->Row(50.0)};
    const int left = pane_->width() - 16;
    for (size_t m = 0; m < bitmaps.size(); ++m) {
        ASSERT_EQ(bitmaps[m].size(), QSize(16, 16));
        const int top = rows[m] - 8;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(Black(picture.pixel(left + x, top + y)), Black(bitmaps[m].pixel(x, y)))
                    << "marker " << m << " pixel " << x << "," << y;
    }
    // Elsewhere in the strip: white.
    const QRect strip = Geo::MarkerStripRect(pane_->size());
    for (int y = strip.top(); y <= strip.bottom(); ++y) {
        bool inMarker = false;
        for (int row : rows) inMarker |= y >= row - 8 && y < row + 8;
        if (inMarker) continue;
        for (int x = strip.left(); x <= strip.right(); ++x) ASSERT_EQ(picture.pixel(x, y), kWhite) << x << "," << y;
    }
}

TEST_F(PaneTest, MarkersOnOneRowAreCombinedByAnd)
{
    Load(std::vector<float>(400, 50.0f));
    QTest::mouseClick(pane_, Qt::LeftButton, {}, QPoint(40, 60));
    const QImage picture = Picture();
    const std::vector<QImage> bitmaps = MarkerBitmaps();
    const int top = pane_->Row(50.0) - 8;
    const int left = pane_->width() - 16;
    int keptByAnd = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool anyBlack = false;
            for (const QImage& b : bitmaps) anyBlack |= Black(b.pixel(x, y));
            // A pixel black in an earlier marker but white in the last one stays black.
            keptByAnd += anyBlack && !Black(bitmaps[2].pixel(x, y));
            ASSERT_EQ(Black(picture.pixel(left + x, top + y)), anyBlack) << x << "," << y;
        }
    EXPECT_GT(keptByAnd, 0) << "the bitmaps do not tell AND from a copy";
}

TEST_F(PaneTest, StatisticsOfADraggedSpanSurviveAReload)
{
    Load(Ramp(400));
    Drag(10, 20);
    EXPECT_EQ(pane_->FirstSpanIndex(), 20);
    EXPECT_EQ(pane_->LastSpanIndex(), 40);
    EXPECT_DOUBLE_EQ(pane_->CurrentValue(), 30.0);
    EXPECT_DOUBLE_EQ(pane_->Maximum(), 40.0);
    EXPECT_DOUBLE_EQ(pane_->Minimum(), 20.0);
    EXPECT_DOUBLE_EQ(pane_->LargestSample(), 399.0);
    EXPECT_DOUBLE_EQ(pane_->SmallestSample(), 0.0);

    // Reloaded with the display factor 1000 (a prefix change): same span, new values.
    Load(Ramp(400), 1000.0);
    EXPECT_EQ(pane_->SpanStartX(), 10);
    EXPECT_EQ(pane_->SpanEndX(), 20);
    EXPECT_DOUBLE_EQ(pane_->CurrentValue(), 30000.0);
    EXPECT_DOUBLE_EQ(pane_->Maximum(), 40000.0);

    pane_->ClearSamples();
    EXPECT_EQ(pane_->LargestSample(), 0.0);
    EXPECT_EQ(pane_->SmallestSample(), 0.0);
}

TEST_F(PaneTest, ObserverCallbacksAndLifetime)
{
    IDragScaleObserver* observer = pane_->Observer();
    ComPtr<IDragScaleObserver> held;
    ASSERT_EQ(observer->QueryInterface(IID_IDragScaleObserver, held.PutVoid()), S_OK);
    EXPECT_EQ(observer->OnDragBegin(nullptr), S_OK);
    EXPECT_EQ(observer->OnLookChanged(nullptr), S_OK);
    EXPECT_EQ(observer->OnRangeChanged(nullptr, 2.5, -4.0), S_OK);
    EXPECT_EQ(pane_->Scale(), 2.5);
    EXPECT_EQ(pane_->Offset(), -4.0);
    EXPECT_EQ(pane_->Row(10.0), 15);
    EXPECT_EQ(observer->OnDragEnd(nullptr), E_NOTIMPL);
    EXPECT_EQ(observer->OnTextChanged(nullptr), E_NOTIMPL);

    // A scale may still hold the observer after the pane is gone: notifications do nothing.
    delete pane_;
    pane_ = nullptr;
    EXPECT_EQ(held->OnRangeChanged(nullptr, 1.0, 0.0), S_OK);
}

}  // namespace
