// The data window's Qt-free parts through the built libzor.so and libtessar.so: the view's zoom
// and scroll over the block layout, the samples read for a zoomed-in paint, what the status
// line says of positions and selections, and the channel list's calibration at a glance.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "interfaces/tessar_automation.h"
#include "host/velogram/calibration_glance.h"
#include "host/velogram/data_layout.h"
#include "host/velogram/data_view.h"
#include "host/velogram/position_text.h"
#include "host/velogram/summary_cache.h"
#include "tests/velogram/host_document_setup.h"

namespace {

using VelogramTest::ComPtr;
using VelogramTest::HostDocument;
using VelogramTest::MakeDocument;
using VelogramTest::PressureSettings;
using VelogramTest::Ramp;
using VelogramTest::TheSession;

// The fractional sample under a layout pixel, from the layout alone.
double SampleUnder(const Velogram::DataLayout& layout, int64_t x, int32_t* block)
{
    const HostPosition p = layout.PositionAt(x);
    *block = p.block;
    return layout.SampleAt(p.block, double(x));
}

TEST(DataView, ZoomsAroundItsAnchorBetweenFittingAllAndTheFinestScale)
{
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(6000), Ramp(2000)}});
    Velogram::DataLayout layout;
    layout.SetRecord(doc->DataAccess());
    Velogram::DataView view(layout);
    ASSERT_TRUE(view.FitAll(1000));
    EXPECT_TRUE(view.FitsAll());
    EXPECT_FALSE(view.CanZoomOut());
    EXPECT_EQ(view.MaxOffset(), 0);
    const double fit = view.PixelsPerSample();

    // Each zoom keeps the sample under the anchor where it was, to a pixel's worth.
    struct Step {
        double factor;
        int64_t anchor;
    };
    for (const Step& step : {Step{2, 300}, Step{3, 10}, Step{1.5, 990}, Step{0.5, 500}, Step{8, 700}}) {
        int32_t blockBefore = -1, blockAfter = -2;
        const double before = SampleUnder(layout, view.ToLayout(step.anchor), &blockBefore);
        const double scale = view.PixelsPerSample();
        ASSERT_TRUE(view.Zoom(step.factor, step.anchor)) << step.factor;
        EXPECT_NEAR(view.PixelsPerSample(), scale * step.factor, 1e-6 * scale * step.factor);
        const double after = SampleUnder(layout, view.ToLayout(step.anchor), &blockAfter);
        EXPECT_EQ(blockAfter, blockBefore);
        EXPECT_NEAR(after, before, 1.0 / view.PixelsPerSample() + 1.0 / scale) << step.factor;
        EXPECT_GE(view.Offset(), 0);
        EXPECT_LE(view.Offset(), view.MaxOffset());
    }
    EXPECT_FALSE(view.FitsAll());
    EXPECT_GT(view.MaxOffset(), 0);

    // Out beyond the fitting scale: all again, from the start.
    ASSERT_TRUE(view.Zoom(1e-6, 500));
    EXPECT_TRUE(view.FitsAll());
    EXPECT_EQ(view.PixelsPerSample(), fit);
    EXPECT_EQ(view.Offset(), 0);
    EXPECT_FALSE(view.Zoom(0.5, 500)) << "already all";

    // In beyond the finest: held there.
    ASSERT_TRUE(view.Zoom(1e9, 500));
    EXPECT_EQ(view.PixelsPerSample(), Velogram::DataView::kMaxPixelsPerSample);
    EXPECT_FALSE(view.CanZoomIn());
    EXPECT_FALSE(view.Zoom(2, 500));
    EXPECT_EQ(layout.TotalWidth(), 8000 * 64 + Velogram::DataLayout::kNormalGapPixels);

    // Scrolling is held to the layout.
    view.ScrollTo(-50);
    EXPECT_EQ(view.Offset(), 0);
    view.ScrollTo(int64_t(1) << 40);
    EXPECT_EQ(view.Offset(), layout.TotalWidth() - 1000);
    view.ScrollBy(-100);
    EXPECT_EQ(view.Offset(), layout.TotalWidth() - 1100);

    // A wider plot keeps a zoomed view's scale and holds its offset; one wide enough for the
    // whole layout at that scale fits all.
    ASSERT_TRUE(view.SetWidth(4000));
    EXPECT_EQ(view.PixelsPerSample(), 64.0);
    EXPECT_EQ(view.Offset(), layout.TotalWidth() - 4000);
    ASSERT_TRUE(view.FitAll(1000));
    ASSERT_TRUE(view.Zoom(1.5, 0));
    ASSERT_TRUE(view.SetWidth(2000));
    EXPECT_TRUE(view.FitsAll());
    EXPECT_LE(layout.TotalWidth(), 2000);
    EXPECT_GE(layout.TotalWidth(), 1990);
}

TEST(SummaryCache, ReadsTheSamplesOfAZoomedInViewOnceForNearbyViews)
{
    // Beyond the samples a summary keeps (a pyramid only), and longer than a detail may be.
    const int n = int(Velogram::SummaryCache::kDetailLimit) + 1000;
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(n, 0, 0.5f)}});
    Velogram::SummaryCache cache;
    cache.SetRecording(doc->Recording());
    ASSERT_NE(cache.Get(0, 0), nullptr);
    ASSERT_FALSE(cache.Get(0, 0)->KeepsSamples());

    int64_t base = -1;
    std::span<const float> s = cache.Detail(0, 0, 100000, 100200, &base);
    ASSERT_EQ(s.size(), 200u);
    EXPECT_EQ(base, 100000);
    for (size_t i = 0; i < s.size(); i += 17) EXPECT_EQ(s[i], 0.5f * float(100000 + i));
    EXPECT_EQ(cache.DetailReads(), 1);
    // Within a view's width either way: what was read.
    s = cache.Detail(0, 0, 99850, 100050, &base);
    EXPECT_EQ(s.size(), 200u);
    EXPECT_EQ(s[0], 0.5f * 99850);
    EXPECT_EQ(cache.DetailReads(), 1);
    // Farther: read again.
    s = cache.Detail(0, 0, 5000, 5010, &base);
    EXPECT_EQ(s[9], 0.5f * 5009);
    EXPECT_EQ(cache.DetailReads(), 2);
    // Cut to the block; too long a span, or none at all, reads nothing.
    s = cache.Detail(0, 0, n - 5, n + 100, &base);
    EXPECT_EQ(s.size(), 5u);
    EXPECT_EQ(base, n - 5);
    EXPECT_TRUE(cache.Detail(0, 0, 0, Velogram::SummaryCache::kDetailLimit + 1, &base).empty());
    EXPECT_TRUE(cache.Detail(1, 0, 0, 10, &base).empty());
    cache.Clear();
    s = cache.Detail(0, 0, 100000, 100200, &base);
    EXPECT_EQ(s.size(), 200u);
    EXPECT_EQ(cache.DetailReads(), 4);
}

// Two channels, two blocks; block 1 has a sample interval of 1 ms, block 2 none; channel 3 is
// channel 1 calibrated (0 V is 0 mmHg, 1 V is 100 mmHg).
ComPtr<HostDocument> TimedDocument()
{
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(6000, 0, 0.001f), Ramp(20, 5)}, {Ramp(6000, 0, -2), Ramp(20)}});
    EXPECT_EQ(doc->Recording()->SetSampleInterval(0, 1e-3), S_OK);
    int32_t calculated = -1;
    doc->Recording()->AddChannel(KVI::String(u"Pressure").Interface(), &calculated);
    EXPECT_EQ(doc->Calculations()->SetCalculation(calculated, TheSession().tessar.Get(), 0), S_OK);
    EXPECT_EQ(doc->Calculations()->ApplySettings(calculated, PressureSettings(0).Get()), S_OK);
    return doc;
}

TEST(PositionText, ReadsEveryChannelAtAPositionWithItsTime)
{
    const ComPtr<HostDocument> doc = TimedDocument();
    struct Case {
        const char* name;
        HostPosition at;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"with a time", {0, 2500}, "t = 2.500 s (block 1, sample 2500): Channel 1 2.5 V, Channel 2 -5000 V, "
                                   "Pressure 250 mmHg"},
        {"at the block's end: its last sample", {0, 6000},
         "t = 5.999 s (block 1, sample 5999): Channel 1 5.999 V, Channel 2 -11998 V, Pressure 599.9 mmHg"},
        {"without an interval", {1, 3}, "Block 2, sample 3: Channel 1 8 V, Channel 2 3 V, Pressure 800 mmHg"},
    };
    for (const Case& c : cases) {
        const std::optional<Velogram::PositionReading> reading = Velogram::ReadPosition(*doc.Get(), c.at);
        ASSERT_TRUE(reading.has_value()) << c.name;
        EXPECT_EQ(Velogram::ReadingText(*reading), c.text) << c.name;
    }
    const auto reading = Velogram::ReadPosition(*doc.Get(), {0, 1234});
    ASSERT_TRUE(reading && reading->channels.size() == 3);
    EXPECT_DOUBLE_EQ(*reading->seconds, 1.234);
    EXPECT_EQ(reading->channels[2].unit, "mmHg");
    EXPECT_NEAR(*reading->channels[2].value, 100.0 * double(0.001f * 1234), 1e-3);
    EXPECT_FALSE(Velogram::ReadPosition(*doc.Get(), {2, 0}).has_value());
    EXPECT_FALSE(Velogram::ReadPosition(*doc.Get(), {-1, 0}).has_value());
    EXPECT_EQ(Velogram::TimeOf(*doc.Get(), {0, 40}).value_or(-1), 0.04);
    EXPECT_FALSE(Velogram::TimeOf(*doc.Get(), {1, 4}).has_value());
}

TEST(PositionText, GivesTheSelectionInSamplesAndInTime)
{
    const ComPtr<HostDocument> doc = TimedDocument();
    EXPECT_EQ(Velogram::SelectionText(*doc.Get()), "No selection: drag across the data to select a span.");
    const HostPosition a{0, 100}, b{0, 600}, c{1, 7};
    ASSERT_EQ(doc->Selection()->SetSelection(&a, &b), S_OK);
    EXPECT_EQ(Velogram::SelectionText(*doc.Get()),
              "Selection: block 1, sample 100 to block 1, sample 600 (0.100 s to 0.600 s, 0.500 s long)");
    // Into a block without an interval: samples only.
    ASSERT_EQ(doc->Selection()->SetSelection(&a, &c), S_OK);
    EXPECT_EQ(Velogram::SelectionText(*doc.Get()), "Selection: block 1, sample 100 to block 2, sample 7");
    // Across two timed blocks: both times, no length.
    ASSERT_EQ(doc->Recording()->SetSampleInterval(1, 0.5), S_OK);
    EXPECT_EQ(Velogram::SelectionText(*doc.Get()),
              "Selection: block 1, sample 100 to block 2, sample 7 (0.100 s to 3.500 s)");
}

TEST(CalibrationGlance, SaysTheFitTheUnitAndTheDatesOnceKnown)
{
    Velogram::CalibrationGlance glance;
    glance.className = "Tessar";
    glance.fitKind = "cubic";
    glance.unit = "kPa";
    struct Case {
        const char* name;
        std::optional<std::string> date, validUntil;
        const char* today;
        const char* text;
        bool expired;
    };
    const std::vector<Case> cases = {
        {"no dates yet", std::nullopt, std::nullopt, "2026-01-01", "Tessar: cubic, kPa", false},
        {"a date", "2026-12-08", std::nullopt, "2027-05-01", "Tessar: cubic, kPa, 2026-12-08", false},
        {"valid", "2026-12-08", "2027-12-08", "2027-05-01", "Tessar: cubic, kPa, 2026-12-08", false},
        {"its last valid day", "2026-12-08", "2027-12-08", "2027-12-08", "Tessar: cubic, kPa, 2026-12-08", false},
        {"expired", "2026-12-08", "2027-12-08", "2027-12-09", "Tessar: cubic, kPa, 2026-12-08, expired", true},
        {"expired a year on", "2026-12-08", "2027-12-08", "2028-01-01", "Tessar: cubic, kPa, 2026-12-08, expired", true},
    };
    for (const Case& c : cases) {
        Velogram::SetCalibrationDates(glance, c.date, c.validUntil);
        EXPECT_EQ(Velogram::GlanceText(glance, c.today), c.text) << c.name;
        EXPECT_EQ(Velogram::IsExpired(glance, c.today), c.expired) << c.name;
    }
    Velogram::CalibrationGlance bare;
    bare.className = "Other";
    EXPECT_EQ(Velogram::GlanceText(bare, "2026-01-01"), "Other");
    bare.unit = "V";
    EXPECT_EQ(Velogram::GlanceText(bare, "2026-01-01"), "Other: V");
    EXPECT_EQ(Velogram::GlanceToolTip(bare), "");
}

TEST(CalibrationGlance, IsReadThroughTheModulesAutomationInterface)
{
    const ComPtr<HostDocument> doc = TimedDocument();
    EXPECT_FALSE(Velogram::ReadCalibrationGlance(*doc.Get(), 0).has_value()) << "no calculation";
    std::optional<Velogram::CalibrationGlance> glance = Velogram::ReadCalibrationGlance(*doc.Get(), 2);
    ASSERT_TRUE(glance.has_value());
    EXPECT_EQ(glance->className, "Tessar");
    EXPECT_EQ(glance->fitKind, "linear");
    EXPECT_EQ(glance->unit, "mmHg");
    EXPECT_FALSE(glance->date.has_value());
    EXPECT_EQ(glance->unitsLine, "x in V, y in mmHg");
    EXPECT_FALSE(glance->equation.empty());
    EXPECT_EQ(Velogram::GlanceToolTip(*glance), glance->equation + "\nx in V, y in mmHg");
    // The equation is in the unit the source shows: millivolts give another slope.
    const std::string inVolts = glance->equation;
    KVI::UnitInfo millivolts;
    millivolts.prefix_ = 7;
    millivolts.name_ = KVI::String(u"V");
    ComPtr<KVI::UnitEntry> unit(new KVI::UnitEntry(millivolts));
    ASSERT_EQ(doc->Recording()->SetChannelUnit(0, unit.Get()), S_OK);
    glance = Velogram::ReadCalibrationGlance(*doc.Get(), 2);
    ASSERT_TRUE(glance.has_value());
    EXPECT_EQ(glance->unitsLine, "x in mV, y in mmHg");
    EXPECT_NE(glance->equation, inVolts);
}

}  // namespace
