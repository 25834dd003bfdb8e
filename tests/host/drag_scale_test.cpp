// The scale component: creation through the framework's service, its window, the value-to-pixel
// map a pane beside it uses, mouse drags and the order of the notifications, drawing into any
// painter, and reference counts.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include "interfaces/ole_window.h"
#include "interfaces/scale.h"
#include "foundation/kvi_string.h"
#include "host/zor/gui/gui_services.h"
#include "host/zor/gui/optional_services.h"
#include "platform/com_ptr.h"
#include "tests/support/gui_test_util.h"

namespace {

using platform::ComPtr;

uint32_t RefCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

// An observer that writes down every notification: 1..5 as the interface numbers them.
class RecordingObserver final : public IDragScaleObserver {
public:
    struct Entry {
        int what;
        double factor;
        double offset;
    };

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDragScaleObserver) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }  // lives on the test's stack

    HRESULT OnDragBegin(IScale* s) override { return Record(1, s); }
    HRESULT OnLookChanged(IScale* s) override { return Record(2, s); }
    HRESULT OnRangeChanged(IScale* s, double f, double o) override { return Record(3, s, f, o); }
    HRESULT OnDragEnd(IScale* s) override { return Record(4, s); }
    HRESULT OnTextChanged(IScale* s) override { return Record(5, s); }

    std::vector<int> Kinds() const
    {
        std::vector<int> kinds;
        for (const Entry& e : entries) kinds.push_back(e.what);
        return kinds;
    }
    // The kinds with runs of range changes folded into one, as a drag sends them.
    std::vector<int> FoldedKinds() const
    {
        std::vector<int> kinds;
        for (const Entry& e : entries)
            if (kinds.empty() || !(e.what == 3 && kinds.back() == 3)) kinds.push_back(e.what);
        return kinds;
    }
    const Entry* LastRange() const
    {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            if (it->what == 3) return &*it;
        return nullptr;
    }

    uint32_t refs = 0;
    std::vector<Entry> entries;
    IScale* sender = nullptr;
    std::function<void(int)> onNotify;

private:
    HRESULT Record(int what, IScale* s, double f = 0, double o = 0)
    {
        entries.push_back({what, f, o});
        sender = s;
        if (onNotify) onNotify(what);
        return S_OK;
    }
};

class DragScaleTest : public testing::Test {
protected:
    void SetUp() override
    {
        Zor::InstallGuiServices();
        ASSERT_EQ(Zor::OptionalServices::GetScaleService(IID_IScaleService, service_.PutVoid()), S_OK);
        parent_ = new QWidget();
        parent_->resize(320, 340);
        parent_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent_));
    }
    void TearDown() override { delete parent_.data(); }

    // A scale as the selection pane makes it: vertical, ends inset by half a line and 2 pixels.
    ComPtr<IDragScale> CreatePaneScale(int inset)
    {
        ComPtr<IDragScale> scale;
        EXPECT_EQ(service_->CreateScale(parent_, 48, 0, -inset, -inset, scale.Put()), S_OK);
        return scale;
    }
    static QWidget* WindowOf(IDragScale* scale)
    {
        ComPtr<IOleWindow> window;
        EXPECT_EQ(scale->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
        QWidget* widget = nullptr;
        EXPECT_EQ(window->GetWindow(&widget), S_OK);
        return widget;
    }
    static void SetRange(IScale* scale, double upper, double lower)
    {
        const double range[2] = {upper, lower};
        ASSERT_EQ(scale->SetHomeRange(range), S_OK);
    }
    static void Place(IScale* scale, int left, int top, int width, int height)
    {
        const HostRect rect{left, top, left + width, top + height};
        ASSERT_EQ(scale->SetPlacement(&rect), S_OK);
    }
    static std::pair<double, double> Range(IScale* scale)
    {
        double r[2] = {};
        scale->GetRange(r);
        return {r[0], r[1]};
    }

    ComPtr<IScaleService> service_;
    QPointer<QWidget> parent_;
};

TEST_F(DragScaleTest, ServiceMakesAWindowedScaleThatAnswersItsInterfacesAsOneObject)
{
    ComPtr<IDragScale> scale = CreatePaneScale(9);
    ASSERT_TRUE(scale);
    EXPECT_EQ(RefCount(scale.Get()), 1u);
    ComPtr<IScale> asScale;
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(scale->QueryInterface(IID_IScale, asScale.PutVoid()), S_OK);
    ASSERT_EQ(scale->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(asScale.Get()), unknown.Get());
    EXPECT_EQ(RefCount(scale.Get()), 3u);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(scale->QueryInterface(IID_IScaleService, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    QPointer<QWidget> widget = WindowOf(scale.Get());
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->parentWidget(), parent_.data());
    EXPECT_TRUE(widget->isVisible());
    int32_t style = 0;
    scale->GetStyle(&style);
    EXPECT_EQ(style, 48);
    EXPECT_EQ(Range(scale.Get()), std::make_pair(1.0, 0.0));

    asScale.Reset();
    unknown.Reset();
    scale.Reset();
    EXPECT_TRUE(widget.isNull()) << "the last release deletes the window";
}

TEST_F(DragScaleTest, PaneBesideTheScaleGetsItsRowsFromTheRangeNotification)
{
    const int h = QFontMetrics(parent_->font()).height();
    const int inset = h / 2 + 2;
    ComPtr<IDragScale> scale = CreatePaneScale(inset);
    RecordingObserver observer;
    ASSERT_EQ(scale->Advise(&observer), S_OK);
    EXPECT_EQ(scale->Advise(&observer), S_FALSE);
    EXPECT_EQ(observer.refs, 1u);

    Place(scale.Get(), 0, 0, 60, 300);
    SetRange(scale.Get(), 100.0, 0.0);
    // Placing gave the axis its length (look, then map); the range gave a new map.
    EXPECT_EQ(observer.Kinds(), (std::vector<int>{2, 3, 3}));
    EXPECT_EQ(observer.sender, static_cast<IScale*>(scale.Get()));

    // The pane lies beside it, inset by the same amount: its client height is 300 - 2 inset.
    const int paneHeight = 300 - 2 * inset;
    const RecordingObserver::Entry* last = observer.LastRange();
    ASSERT_NE(last, nullptr);
    EXPECT_NEAR((100.0 + last->offset) * last->factor, 0.0, 1e-9) << "upper on the pane's first row";
    EXPECT_NEAR((0.0 + last->offset) * last->factor, paneHeight - 1, 1e-9) << "lower on its last row";
    double factor = 0, offset = 0;
    scale->GetTransform(&factor, &offset);
    EXPECT_EQ(factor, last->factor);
    EXPECT_EQ(offset, last->offset);
    int32_t lowest = -1, highest = -1;
    scale->GetExtent(&lowest, &highest);
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, paneHeight - 1);
    double value = 0;
    scale->PixelToValue((paneHeight - 1) / 2.0, &value);
    EXPECT_NEAR(value, 50.0, 1e-9);

    EXPECT_EQ(scale->Unadvise(&observer), S_OK);
    EXPECT_EQ(scale->Unadvise(&observer), S_FALSE);
    EXPECT_EQ(observer.refs, 0u);
}

TEST_F(DragScaleTest, RangeSettersTellOnlyRealChanges)
{
    ComPtr<IDragScale> scale = CreatePaneScale(0);
    Place(scale.Get(), 0, 0, 60, 201);
    RecordingObserver observer;
    scale->Advise(&observer);

    const double range[2] = {5.0, -5.0};
    EXPECT_EQ(scale->SetHomeRange(range), S_OK);  // slot 23, then slot 5 with the same pair
    EXPECT_EQ(scale->SetRange(range), S_FALSE);
    const double reversed[2] = {-5.0, 5.0};
    const double flat[2] = {2.0, 2.0};
    const double nan[2] = {std::nan(""), 0.0};
    EXPECT_EQ(scale->SetRange(reversed), E_INVALIDARG);
    EXPECT_EQ(scale->SetRange(flat), E_INVALIDARG);
    EXPECT_EQ(scale->SetHomeRange(nan), E_INVALIDARG);
    EXPECT_EQ(scale->SetRange(nullptr), E_POINTER);
    EXPECT_EQ(Range(scale.Get()), std::make_pair(5.0, -5.0));
    EXPECT_EQ(observer.Kinds(), (std::vector<int>{3}));

    const double other[2] = {50.0, 10.0};
    EXPECT_EQ(scale->SetRange(other), S_OK);
    EXPECT_EQ(scale->RestoreHomeRange(), S_OK);
    EXPECT_EQ(Range(scale.Get()), std::make_pair(5.0, -5.0));
    EXPECT_EQ(observer.Kinds(), (std::vector<int>{3, 3, 3}));

    // Texts: unit (flag 0 only) and title tell notification 5 once per change.
    KVI::String unit(u"mmHg");
    EXPECT_EQ(scale->SetUnit(1, unit.Interface()), E_INVALIDARG);
    EXPECT_EQ(scale->SetUnit(0, unit.Interface()), S_OK);
    EXPECT_EQ(scale->SetUnit(0, unit.Interface()), S_FALSE);
    EXPECT_EQ(scale->SetTitle(KVI::String(u"Pressure").Interface()), S_OK);
    EXPECT_EQ(scale->SetParts(int16_t(-1)), S_FALSE);
    EXPECT_EQ(scale->SetParts(kScaleAxisLine | kScaleLabels), S_OK);
    EXPECT_EQ(observer.Kinds(), (std::vector<int>{3, 3, 3, 5, 5, 2}));
    ComPtr<IAutoKVIString> got;
    ASSERT_EQ(scale->GetUnit(got.Put()), S_OK);
    EXPECT_EQ(KVI::String(got.Get()), unit);
    scale->Unadvise(&observer);
}

TEST_F(DragScaleTest, DraggingTheMiddleMovesTheRangeAndNotifiesInOrder)
{
    ComPtr<IDragScale> scale = CreatePaneScale(10);
    Place(scale.Get(), 0, 0, 60, 221);  // axis rows 0..200 at widget rows 10..210
    SetRange(scale.Get(), 100.0, 0.0);
    RecordingObserver observer;
    scale->Advise(&observer);
    QWidget* widget = WindowOf(scale.Get());

    // Value 50 lies on axis row 100, widget row 110; drag it 30 rows down.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(30, 110));
    for (int y = 115; y <= 140; y += 5) QTest::mouseMove(widget, QPoint(30, y));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(30, 140));

    EXPECT_EQ(observer.FoldedKinds(), (std::vector<int>{1, 3, 4}));
    const auto [upper, lower] = Range(scale.Get());
    EXPECT_NEAR(upper - lower, 100.0, 1e-9) << "moving keeps the span";
    const RecordingObserver::Entry* last = observer.LastRange();
    ASSERT_NE(last, nullptr);
    // The grabbed value now lies under the pointer (axis row 130), in the notified map too.
    EXPECT_NEAR((50.0 + last->offset) * last->factor, 130.0, 1e-9);
    EXPECT_NEAR(upper, 115.0, 1e-9);
    scale->Unadvise(&observer);
}

TEST_F(DragScaleTest, DraggingAnEndStretchesTheRangeAndKeepsTheOtherEnd)
{
    struct {
        const char* name;
        int style;
        QPoint press, release;
        double fixedValue;  // the end that must not move
        double grabbed;
        double releasePixel;
    } cases[] = {
        // Vertical, top end: value 90 (row 20) dragged to row 40; the lower end 0 stays.
        {"top end", 80, QPoint(30, 20), QPoint(30, 40), 0.0, 90.0, 40.0},
        // Horizontal, right end: value 90 (column 180) dragged to column 150; 0 stays at 0.
        {"right end", 83, QPoint(180, 20), QPoint(150, 20), 0.0, 90.0, 150.0},
    };
    for (const auto& c : cases) {
        ComPtr<IDragScale> scale;
        ASSERT_EQ(service_->CreateScale(parent_, c.style, 0, 0, 0, scale.Put()), S_OK);
        if (c.style == 80)
            Place(scale.Get(), 0, 0, 60, 201);
        else
            Place(scale.Get(), 0, 0, 201, 60);
        SetRange(scale.Get(), 100.0, 0.0);
        RecordingObserver observer;
        scale->Advise(&observer);
        QWidget* widget = WindowOf(scale.Get());
        QTest::mousePress(widget, Qt::LeftButton, {}, c.press);
        QTest::mouseMove(widget, (c.press + c.release) / 2);
        QTest::mouseMove(widget, c.release);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, c.release);

        EXPECT_EQ(observer.FoldedKinds(), (std::vector<int>{1, 3, 4})) << c.name;
        double pixel = 0;
        scale->ValueToPixel(c.grabbed, &pixel);
        EXPECT_NEAR(pixel, c.releasePixel, 1e-9) << c.name;
        EXPECT_NEAR(Range(scale.Get()).second, c.fixedValue, 1e-9) << c.name;
        scale->Unadvise(&observer);
    }
}

TEST_F(DragScaleTest, DoubleClickReturnsHomeAndADisabledScaleIgnoresTheMouse)
{
    ComPtr<IDragScale> scale = CreatePaneScale(0);
    Place(scale.Get(), 0, 0, 60, 201);
    SetRange(scale.Get(), 10.0, 0.0);
    const double away[2] = {30.0, 20.0};
    scale->SetRange(away);
    QWidget* widget = WindowOf(scale.Get());
    QTest::mouseDClick(widget, Qt::LeftButton, {}, QPoint(30, 100));
    EXPECT_EQ(Range(scale.Get()), std::make_pair(10.0, 0.0));

    RecordingObserver observer;
    scale->Advise(&observer);
    scale->EnableDrag(0);
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(30, 100));
    QTest::mouseMove(widget, QPoint(30, 150));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(30, 150));
    EXPECT_TRUE(observer.entries.empty());
    EXPECT_EQ(Range(scale.Get()), std::make_pair(10.0, 0.0));
    scale->Unadvise(&observer);
}

TEST_F(DragScaleTest, ObserversMayLeaveOrDropTheScaleWhileBeingTold)
{
    ComPtr<IDragScale> scale = CreatePaneScale(0);
    Place(scale.Get(), 0, 0, 60, 201);
    SetRange(scale.Get(), 10.0, 0.0);
    RecordingObserver leaver;
    RecordingObserver stayer;
    scale->Advise(&leaver);
    scale->Advise(&stayer);
    IDragScale* raw = scale.Get();
    leaver.onNotify = [&](int what) {
        if (what == 1) raw->Unadvise(&leaver);
    };
    QPointer<QWidget> widget = WindowOf(raw);
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(30, 100));
    QTest::mouseMove(widget, QPoint(30, 120));
    EXPECT_EQ(leaver.Kinds(), (std::vector<int>{1}));
    EXPECT_EQ(stayer.FoldedKinds(), (std::vector<int>{1, 3}));
    EXPECT_EQ(leaver.refs, 0u);

    // The last reference goes from inside the drag-end notification, which the window's own
    // mouse handler sent: the window must survive its handler and go afterwards.
    IDragScale* held = scale.Detach();
    stayer.onNotify = [&](int what) {
        if (what == 4 && held) {
            held->Unadvise(&stayer);
            held->Release();
            held = nullptr;
        }
    };
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(30, 120));
    EXPECT_EQ(held, nullptr);
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return widget.isNull(); }));
}

TEST_F(DragScaleTest, DrawingIntoAnImageMatchesTheScreen)
{
    ComPtr<IDragScale> scale = CreatePaneScale(8);
    Place(scale.Get(), 0, 0, 70, 260);
    SetRange(scale.Get(), 12.5, -2.5);
    scale->SetUnit(0, KVI::String(u"mV").Interface());
    QWidget* widget = WindowOf(scale.Get());
    const QImage screen = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);

    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(widget->palette().window().color());
    {
        QPainter painter(&image);
        EXPECT_EQ(scale->Draw(&painter, nullptr), S_OK);
    }
    EXPECT_EQ(screen, image);
    QPainter idle;
    EXPECT_EQ(scale->Draw(&idle, nullptr), E_POINTER);
    EXPECT_EQ(scale->Draw(nullptr, nullptr), E_POINTER);
}

TEST_F(DragScaleTest, SizeAndTicksFollowTheDevice)
{
    ComPtr<IDragScale> scale;
    ASSERT_EQ(service_->CreateScale(nullptr, 80, 0, 0, 0, scale.Put()), S_OK);
    EXPECT_EQ(WindowOf(scale.Get())->parentWidget(), nullptr);
    EXPECT_FALSE(WindowOf(scale.Get())->isVisible()) << "a scale without a parent only draws";
    Place(scale.Get(), 0, 0, 80, 401);
    SetRange(scale.Get(), 1000.0, 0.0);
    scale->SetTitle(KVI::String(u"Fitted Values").Interface());

    int32_t bare = 0, margin = 0;
    scale->GetPreferredSize(0, nullptr, nullptr, &bare);
    scale->GetPreferredSize(10, nullptr, nullptr, &margin);
    EXPECT_EQ(margin, bare + 10);
    EXPECT_GT(bare, 20);

    // On a 1200 dpi page the same scale needs about 12.5 times the pixels.
    QImage page(200, 200, QImage::Format_RGB32);
    page.setDotsPerMeterX(47244);  // 1200 dpi
    page.setDotsPerMeterY(47244);
    QPainter painter(&page);
    int32_t printed = 0;
    scale->GetPreferredSize(0, &painter, nullptr, &printed);
    EXPECT_NEAR(double(printed) / bare, 1200.0 / 96.0, 2.0);

    // The grid positions agree with the tick values.
    double first = 0, spacing = 0, value = 0, step = 0, pixel = 0;
    int32_t count = 0;
    ASSERT_EQ(scale->GetTicks(&first, &spacing), S_OK);
    ASSERT_EQ(scale->GetTickValues(&value, &step, &count), S_OK);
    scale->ValueToPixel(value + (count - 1) * step, &pixel);
    EXPECT_NEAR(first, pixel, 1e-9) << "the highest tick is nearest row 0";
    double factor = 0, offset = 0;
    scale->GetTransform(&factor, &offset);
    EXPECT_NEAR(spacing, std::fabs(factor) * step, 1e-9);
}

TEST_F(DragScaleTest, ScaleOutlivesItsWindow)
{
    ComPtr<IDragScale> scale = CreatePaneScale(0);
    Place(scale.Get(), 0, 0, 60, 201);
    delete parent_.data();
    ComPtr<IOleWindow> window;
    ASSERT_EQ(scale->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    QWidget* widget = reinterpret_cast<QWidget*>(1);
    EXPECT_EQ(window->GetWindow(&widget), E_FAIL);
    EXPECT_EQ(widget, nullptr);
    EXPECT_EQ(window->ContextSensitiveHelp(1), E_NOTIMPL);
    QImage image(60, 201, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_EQ(scale->Draw(&painter, nullptr), S_OK);
    EXPECT_EQ(scale->Invalidate(), S_OK);
}

// Pictures of both orientations, as the selection pane and the fit report show them.
TEST_F(DragScaleTest, Screenshots)
{
    parent_->resize(420, 360);
    const int inset = QFontMetrics(parent_->font()).height() / 2 + 2;
    ComPtr<IDragScale> vertical = CreatePaneScale(inset);
    int32_t width = 0;
    vertical->GetPreferredSize(10, nullptr, nullptr, &width);
    Place(vertical.Get(), 10, 10, width, 300);
    SetRange(vertical.Get(), 120.0, -20.0);
    vertical->SetUnit(0, KVI::String(u"mmHg").Interface());

    ComPtr<IDragScale> horizontal;
    ASSERT_EQ(service_->CreateScale(parent_, 83, 0, 0, 0, horizontal.Put()), S_OK);
    horizontal->SetTitle(KVI::String(u"Raw Values").Interface());
    horizontal->SetUnit(0, KVI::String(u"V").Interface());
    const double range[2] = {2.5, -0.5};
    horizontal->SetHomeRange(range);
    int32_t height = 0;
    horizontal->GetPreferredSize(10, nullptr, nullptr, &height);
    Place(horizontal.Get(), 120, 40, 280, std::max(height, 55));

    QTest::qWait(20);
    const QImage picture = parent_->grab().toImage();
    EXPECT_TRUE(picture.save(TestSupport::TestOutputPath("drag_scales.png")));
    EXPECT_TRUE(WindowOf(vertical.Get())->grab().save(TestSupport::TestOutputPath("drag_scale_vertical.png")));
    EXPECT_TRUE(WindowOf(horizontal.Get())->grab().save(TestSupport::TestOutputPath("drag_scale_horizontal.png")));

    // The report's printed scales: measured for and drawn on a 300 dpi page.
    QImage page(1400, 1000, QImage::Format_RGB32);
    page.setDotsPerMeterX(11811);
    page.setDotsPerMeterY(11811);
    page.fill(Qt::white);
    QPainter painter(&page);
    ComPtr<IDragScale> printedY;
    ComPtr<IDragScale> printedX;
    ASSERT_EQ(service_->CreateScale(nullptr, 80, 0, 0, 0, printedY.Put()), S_OK);
    ASSERT_EQ(service_->CreateScale(nullptr, 83, 0, 0, 0, printedX.Put()), S_OK);
    printedY->SetTitle(KVI::String(u"Fitted Values").Interface());
    printedY->SetUnit(0, KVI::String(u"mmHg").Interface());
    printedX->SetTitle(KVI::String(u"Raw Values").Interface());
    printedX->SetUnit(0, KVI::String(u"mV").Interface());
    int32_t w = 0, h = 0;
    printedY->GetPreferredSize(10, &painter, nullptr, &w);
    printedX->GetPreferredSize(10, &painter, nullptr, &h);
    Place(printedY.Get(), 0, 0, w, 1000 - h);
    Place(printedX.Get(), w, 1000 - h, 1400 - w, h);
    SetRange(printedY.Get(), 150.0, -50.0);
    SetRange(printedX.Get(), 1.5, -0.5);
    EXPECT_EQ(printedY->Draw(&painter, nullptr), S_OK);
    EXPECT_EQ(printedX->Draw(&painter, nullptr), S_OK);
    painter.end();
    EXPECT_TRUE(page.save(TestSupport::TestOutputPath("drag_scales_300dpi.png")));
}

}  // namespace
