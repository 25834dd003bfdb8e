// The host's objects around a document, through the built libzor.so and libtessar.so as the
// application uses them: the host selection, the document, channel-record and data-access
// interfaces a settings dialog reads, the block layout and the sample summaries the data
// window draws from, and the commands on calculated channels.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "interfaces/enum_float_ex_defaults.h"
#include "interfaces/printing.h"
#include "interfaces/record_data_pixmap.h"
#include "interfaces/tessar_automation.h"
#include "values/units/unit_entry.h"
#include "foundation/message_box.h"
#include "host/velogram/calculation_commands.h"
#include "host/velogram/channel_record.h"
#include "host/velogram/data_layout.h"
#include "host/velogram/host_document.h"
#include "host/velogram/sample_summary.h"
#include "host/zor/framework_client.h"
#include "platform/com_ptr.h"
#include "tests/support/framework_session.h"
#include "tests/support/message_capture.h"
#include "tests/velogram/calculation_class_double.h"
#include "tests/velogram/host_document_setup.h"

namespace {

using platform::ComPtr;
using Velogram::CalculationCommands;
using Velogram::HostDocument;
using Outcome = CalculationCommands::Outcome;

constexpr int64_t kUnset = kUnsetPosition;

// ---- the framework and the module, started once

using TestSupport::TheSession;

using VelogramTest::MakeDocument;
using VelogramTest::PressureSettings;
using VelogramTest::Ramp;

std::vector<float> ReadAll(IRecordData* data, int32_t channel, uint32_t block, int64_t start, int64_t end)
{
    ComPtr<IEnumFloatEx> stream;
    if (FAILED(data->CreateValueEnum(channel, block, start, end, 0, stream.Put()))) return {};
    std::vector<float> out;
    float buffer[7];
    uint32_t got = 0;
    do {
        got = 0;
        stream->Next(7, buffer, &got);
        out.insert(out.end(), buffer, buffer + got);
    } while (got == 7);
    return out;
}

using TestSupport::MessageCapture;

// ---- the host selection

TEST(HostSelection, ChecksPositionsAgainstTheBlocks)
{
    // Two blocks of 100 and 40 samples (channel 1 is shorter in block 0: the block's length is
    // its longest channel's).
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(100), Ramp(40)}, {Ramp(60), Ramp(40)}});
    IHostSelection* selection = doc->Selection();
    struct Case {
        const char* name;
        HostPosition start, end;
        HRESULT expected;
        bool selected;
    };
    const Case cases[] = {
        {"across two blocks", {0, 10}, {1, 5}, S_OK, true},
        {"to the end of the last block", {0, 0}, {1, 40}, S_OK, true},
        {"one sample", {0, 99}, {0, 100}, S_OK, true},
        {"empty span clears", {0, 7}, {0, 7}, S_OK, false},
        {"end before start", {1, 5}, {0, 10}, E_INVALIDARG, true},
        {"offset beyond the block", {0, 0}, {0, 101}, E_INVALIDARG, true},
        {"negative offset", {0, -1}, {0, 10}, E_INVALIDARG, true},
        {"no such block", {0, 0}, {2, 0}, E_INVALIDARG, true},
        {"unset position", {0, 0}, {}, E_INVALIDARG, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HostPosition before{0, 1}, beforeEnd{0, 2};
        ASSERT_EQ(selection->SetSelection(&before, &beforeEnd), S_OK);
        EXPECT_EQ(selection->SetSelection(&c.start, &c.end), c.expected);
        int32_t has = -1;
        ASSERT_EQ(selection->HasSelection(&has), S_OK);
        EXPECT_EQ(has, c.selected ? 1 : 0);
        HostPosition start, end;
        const HRESULT got = selection->GetSelection(&start, &end);
        if (!c.selected) {
            EXPECT_EQ(got, S_FALSE);
            EXPECT_EQ(start.block, kUnset);
            EXPECT_EQ(end.sample, kUnset);
        } else if (c.expected == S_OK) {
            EXPECT_EQ(start.block, c.start.block);
            EXPECT_EQ(start.sample, c.start.sample);
            EXPECT_EQ(end.block, c.end.block);
            EXPECT_EQ(end.sample, c.end.sample);
        } else {
            // A refused selection keeps the one before.
            EXPECT_EQ(start.sample, before.sample);
            EXPECT_EQ(end.sample, beforeEnd.sample);
        }
    }
    EXPECT_EQ(selection->SetSelection(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(selection->HasSelection(nullptr), E_POINTER);
}

TEST(HostSelection, TellsTheListenerOfEveryChange)
{
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(10), Ramp(10)}});
    Velogram::HostSelection* selection = doc->Selection();
    int told = 0;
    selection->SetListener([&] { ++told; });
    const HostPosition a{0, 2}, b{1, 3};
    EXPECT_EQ(selection->SetSelection(&a, &b), S_OK);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(selection->SetSelection(&b, &a), E_INVALIDARG);
    EXPECT_EQ(told, 1);
    selection->Clear();
    selection->Clear();  // nothing to clear the second time
    EXPECT_EQ(told, 2);
    selection->SetListener({});
}

// ---- the document, its channel records and its data access

TEST(HostDocument, AnswersItsInterfacesWithBalancedReferences)
{
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(10)}});
    IHostDocument* document = doc.Get();
    ComPtr<IUnknown> unknown;
    ComPtr<IHostDocument> again;
    ASSERT_EQ(document->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    ASSERT_EQ(document->QueryInterface(IID_IHostDocument, again.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(document));
    ComPtr<IUnknown> none;
    EXPECT_EQ(document->QueryInterface(IID_IRecording, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(none.Get(), nullptr);

    // Each call hands out a reference; releasing it leaves the counts as they were.
    IHostSelection* selection = nullptr;
    ASSERT_EQ(document->GetHostSelection(&selection), S_OK);
    EXPECT_EQ(selection->AddRef(), 3u);  // the document's, ours, and this one
    selection->Release();
    selection->Release();
    IRecordData* data = nullptr;
    ASSERT_EQ(document->GetDataAccess(&data), S_OK);
    EXPECT_EQ(data, static_cast<IRecordData*>(doc->DataAccess()));
    data->Release();

    IChannelRecord* record = reinterpret_cast<IChannelRecord*>(1);
    EXPECT_EQ(document->GetChannelRecord(1, &record), E_INVALIDARG);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(document->GetChannelRecord(-1, &record), E_INVALIDARG);
    ASSERT_EQ(document->GetChannelRecord(0, &record), S_OK);
    EXPECT_EQ(record->Release(), 0u);
}

TEST(HostDocument, PrintsThroughTheFrameworksPrintingFace)
{
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(10)}});
    for (IUnknown* object : {static_cast<IUnknown*>(doc.Get()), static_cast<IUnknown*>(doc->DataAccess())}) {
        ComPtr<IZORPrinting> printing;
#if !VELOGRAM_TEST_WITH_QT
        // A framework built without its windowing half has no printing.
        EXPECT_EQ(object->QueryInterface(IID_IZORPrinting, printing.PutVoid()), E_NOINTERFACE);
        continue;
#endif
        ASSERT_EQ(object->QueryInterface(IID_IZORPrinting, printing.PutVoid()), S_OK);
        ComPtr<IZORHostFrame> frame;
        ASSERT_EQ(printing->GetFrame(frame.Put()), S_OK);
        ComPtr<IZORPrintService> service;
        EXPECT_EQ(frame->GetPrintService(service.Put()), S_OK);
        EXPECT_TRUE(service);
    }
}

TEST(ChannelRecord, ReadsTheRecordingEachTime)
{
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(10), Ramp(5)}, {Ramp(10), Ramp(5)}}, "V");
    ComPtr<IChannelRecord> record;
    ASSERT_EQ(doc->GetChannelRecord(1, record.Put()), S_OK);
    IRecording* recording = doc->Recording();

    int32_t on = -1;
    ASSERT_EQ(record->GetUnitsConversion(&on), S_OK);
    EXPECT_EQ(on, 0);
    ASSERT_EQ(recording->SetUnitsConversion(1, 1), S_OK);
    ASSERT_EQ(record->GetUnitsConversion(&on), S_OK);
    EXPECT_EQ(on, 1);

    ASSERT_EQ(recording->SetDisplayRange(1, 2.5, -0.5), S_OK);
    double top = 0, bottom = 0;
    ASSERT_EQ(record->GetDisplayRange(&top, &bottom), S_OK);
    EXPECT_EQ(top, 2.5);
    EXPECT_EQ(bottom, -0.5);
    ASSERT_EQ(recording->SetChannelColour(1, 0x123456), S_OK);
    uint32_t rgb = 0;
    ASSERT_EQ(record->GetColour(&rgb), S_OK);
    EXPECT_EQ(rgb, 0x123456u);

    struct Case {
        const char* name;
        const HostPosition* at;
        HRESULT expected;
    };
    const HostPosition inFirst{0, 3}, atEnd{1, 5}, pastEnd{1, 6}, noBlock{2, 0}, unset{};
    const Case cases[] = {
        {"default position", nullptr, S_OK},  {"in a block", &inFirst, S_OK},
        {"a block's end", &atEnd, S_OK},      {"past a block's end", &pastEnd, E_INVALIDARG},
        {"no such block", &noBlock, E_INVALIDARG}, {"unset", &unset, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IUnitName> unit;
        EXPECT_EQ(record->GetUnitAt(c.at, unit.Put()), c.expected);
        if (c.expected != S_OK) {
            EXPECT_FALSE(unit);
            continue;
        }
        IAutoKVIString* text = nullptr;
        ASSERT_EQ(unit->GetText(1, &text), S_OK);
        EXPECT_EQ(KVI::String(text).ToUtf8(), "V");
        text->Release();
    }
}

TEST(HostDataAccess, AnswersTheSlotsThePaneReadsThrough)
{
    // Channel 0 has samples in both blocks, channel 1 only in block 1.
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(8, 1), Ramp(3, 100)}, {{}, Ramp(2, -1)}});
    IRecordData* data = doc->DataAccess();
    int32_t n = 0;
    ASSERT_EQ(data->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 2);
    ASSERT_EQ(data->GetBlockLength(0, 0, &n), S_OK);
    EXPECT_EQ(n, 8);
    EXPECT_EQ(data->GetBlockLength(0, 1, &n), E_INVALIDARG);
    ASSERT_EQ(data->GetChannelSampleCount(1, 1, &n), S_OK);
    EXPECT_EQ(n, 2);

    VARIANT_BOOL has = 1;
    ASSERT_EQ(data->HasSamples(1, 0, 0, &has), S_OK);
    EXPECT_EQ(has, VARIANT_FALSE);
    ASSERT_EQ(data->HasSamples(1, 1, 0, &has), S_OK);
    EXPECT_EQ(has, VARIANT_TRUE);
    EXPECT_EQ(data->HasSamples(1, 1, 2, &has), E_INVALIDARG);
    EXPECT_EQ(data->HasSamples(5, 0, 0, &has), E_INVALIDARG);
    EXPECT_EQ(data->HasSamples(0, kCurrentBlockSelector, 0, &has), E_INVALIDARG);

    EXPECT_EQ(ReadAll(data, 0, 0, 2, 5), (std::vector<float>{3, 4, 5}));
    EXPECT_EQ(ReadAll(data, 0, 1, 1, 99), (std::vector<float>{101, 102}));  // end cut to the samples
    ComPtr<IEnumFloatEx> stream;
    EXPECT_EQ(data->CreateValueEnum(0, 0, 0, 2, 1, stream.Put()), E_INVALIDARG);

    float value = 0;
    const double scale[] = {2.0, 1.0};
    ASSERT_EQ(data->GetValue(0, 0, 3, 0, scale, &value), S_OK);
    EXPECT_EQ(value, 2.0f * (1.0f + 4.0f));
    EXPECT_EQ(data->GetValue(0, 1, 3, 0, nullptr, &value), E_INVALIDARG);

    IAutoKVIString* units = nullptr;
    ASSERT_EQ(data->GetChannelUnits(0, 0, &units), S_OK);
    EXPECT_EQ(KVI::String(units).ToUtf8(), "V");
    units->Release();

    // The pixel map over the access object lays the blocks out with the document's widths.
    ComPtr<IRecordDataPixMap> map;
    ASSERT_EQ(data->CreatePixMap(map.Put()), S_OK);
    ASSERT_EQ(map->SetGap(kNormalGap, 5), S_OK);
    int64_t width = 0;
    ASSERT_EQ(map->GetTotalWidth(&width), S_OK);
    EXPECT_EQ(width, 8 + 5 + 3);
}

// ---- sample summaries

// A stream over a copy of samples; fails its Next after failAfter calls when set.
class VectorStream final : public IEnumFloatExDefaults {
public:
    explicit VectorStream(std::vector<float> samples, int failAfter = -1)
        : samples_(std::move(samples)), failAfter_(failAfter)
    {
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override
    {
        if (failAfter_ == 0) return E_UNEXPECTED;
        --failAfter_;
        const size_t n = std::min<size_t>(count, samples_.size() - at_);
        std::copy_n(samples_.begin() + std::ptrdiff_t(at_), n, buffer);
        at_ += n;
        *returned = uint32_t(n);
        return n == count ? S_OK : S_FALSE;
    }

private:
    std::vector<float> samples_;
    size_t at_ = 0;
    int failAfter_;
};

Velogram::MinMax BruteForce(const std::vector<float>& v, int64_t first, int64_t last)
{
    Velogram::MinMax m;
    for (int64_t i = std::max<int64_t>(first, 0); i < std::min<int64_t>(last, int64_t(v.size())); ++i)
        m.Merge(v[size_t(i)]);
    return m;
}

TEST(SampleSummary, PyramidGivesTheEnvelopeOfTheBucketsASpanTouches)
{
    using Velogram::SampleSummary;
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.f, 1.f);
    // Not a whole number of buckets or groups, and large enough for several levels.
    const int64_t n = SampleSummary::kRawLimit + 12345;
    std::vector<float> samples(static_cast<size_t>(n));
    for (float& s : samples) s = noise(random);
    samples[1000] = std::numeric_limits<float>::quiet_NaN();
    samples[size_t(n - 1)] = 50.0f;  // in the last, part-filled bucket

    SampleSummary summary;
    VectorStream stream(samples);
    ASSERT_EQ(summary.Build(&stream, n), S_OK);
    EXPECT_EQ(summary.Count(), n);
    EXPECT_FALSE(summary.KeepsSamples());
    EXPECT_GE(summary.LevelCount(), 4);

    std::uniform_int_distribution<int64_t> at(0, n);
    for (int i = 0; i < 2000; ++i) {
        int64_t a = at(random), b = at(random);
        if (a > b) std::swap(a, b);
        const int64_t k = SampleSummary::kBucket;
        const Velogram::MinMax want = BruteForce(samples, a / k * k, (b + k - 1) / k * k);
        const Velogram::MinMax got = summary.Range(a, b);
        ASSERT_EQ(got.min, a == b ? Velogram::MinMax{}.min : want.min) << a << ".." << b;
        ASSERT_EQ(got.max, a == b ? Velogram::MinMax{}.max : want.max) << a << ".." << b;
    }
    EXPECT_EQ(summary.Range(0, n).max, 50.0f);
    EXPECT_EQ(summary.RangeQueries(), 2001u);
}

TEST(SampleSummary, SmallBlocksKeepTheirSamplesAndGiveExactEnvelopes)
{
    using Velogram::SampleSummary;
    std::vector<float> samples = Ramp(1000, -10, 0.5f);
    samples[3] = std::numeric_limits<float>::quiet_NaN();
    SampleSummary summary;
    VectorStream stream(samples);
    ASSERT_EQ(summary.Build(&stream, 1000), S_OK);
    ASSERT_TRUE(summary.KeepsSamples());
    EXPECT_EQ(summary.Samples().size(), 1000u);
    const Velogram::MinMax m = summary.Range(2, 5);  // NaN left out
    EXPECT_EQ(m.min, -9.0f);
    EXPECT_EQ(m.max, -8.0f);
    EXPECT_TRUE(summary.Range(3, 4).Empty());
    EXPECT_TRUE(summary.Range(500, 500).Empty());
    EXPECT_EQ(summary.Range(-5, 2).min, -10.0f);  // held to the samples
    EXPECT_EQ(summary.Range(998, 5000).max, 489.5f);
}

TEST(SampleSummary, AFailingStreamLeavesNothing)
{
    Velogram::SampleSummary summary;
    VectorStream stream(Ramp(300000), 2);
    EXPECT_EQ(summary.Build(&stream, 300000), E_UNEXPECTED);
    EXPECT_EQ(summary.Count(), 0);
    EXPECT_TRUE(summary.Range(0, 10).Empty());
    EXPECT_EQ(summary.Build(nullptr, 5), E_POINTER);
}

// ---- the block layout

TEST(DataLayout, FitsTheBlocksAndMapsPixelsBothWays)
{
    // 6000 and 2000 samples: three samples a pixel or so.
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(6000), Ramp(2000)}});
    Velogram::DataLayout layout;
    layout.SetRecord(doc->DataAccess());
    ASSERT_TRUE(layout.Fit(1000));
    ASSERT_EQ(layout.BlockCount(), 2);
    EXPECT_LE(layout.TotalWidth(), 1000);
    EXPECT_GE(layout.TotalWidth(), 990);
    EXPECT_EQ(layout.DataStart(0), Velogram::DataLayout::kLeadingGapPixels);
    EXPECT_EQ(layout.DataStart(1), layout.DataStart(0) + layout.DataWidth(0) + Velogram::DataLayout::kNormalGapPixels);
    // The blocks share one scale: widths in proportion to lengths.
    EXPECT_NEAR(double(layout.DataWidth(0)) / double(layout.DataWidth(1)), 3.0, 0.01);

    struct Case {
        const char* name;
        int64_t x;
        HostPosition want;
    };
    const int64_t gapStart = layout.DataStart(0) + layout.DataWidth(0);
    const Case cases[] = {
        {"left of the plot", -40, {0, 0}},
        {"first pixel", 0, {0, 0}},
        {"left half of the gap", gapStart + 2, {0, 6000}},
        {"right half of the gap", layout.DataStart(1) - 2, {1, 0}},
        {"right of the plot", layout.TotalWidth() + 50, {1, 2000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HostPosition p = layout.PositionAt(c.x);
        EXPECT_EQ(p.block, c.want.block);
        EXPECT_EQ(p.sample, c.want.sample);
    }
    // Inside a block, a pixel's position lies on that pixel or just before it.
    for (int64_t x = layout.DataStart(1); x < layout.DataStart(1) + layout.DataWidth(1) - 1; x += 37) {
        const HostPosition p = layout.PositionAt(x);
        ASSERT_EQ(p.block, 1);
        EXPECT_LE(layout.PixelOf(p), x);
        EXPECT_GE(layout.PixelOf(p), x - 1);
    }
    // Columns split the block's samples without gaps or overlaps.
    EXPECT_EQ(layout.FirstSampleOfColumn(1, 0), 0);
    EXPECT_EQ(layout.FirstSampleOfColumn(1, layout.DataWidth(1)), 2000);
    for (int64_t c = 0; c < layout.DataWidth(1); ++c)
        ASSERT_LE(layout.FirstSampleOfColumn(1, c), layout.FirstSampleOfColumn(1, c + 1));

    // A record with no blocks lays out nothing.
    const ComPtr<HostDocument> empty = MakeDocument({});
    layout.SetRecord(empty->DataAccess());
    EXPECT_TRUE(layout.Fit(500));
    EXPECT_EQ(layout.BlockCount(), 0);
    EXPECT_EQ(layout.PositionAt(10).block, kUnset);
}

// ---- commands on calculated channels

TEST(CalculationCommands, AddMakesAChannelThroughTheClassThatWaitsForItsSettings)
{
    const auto& s = TheSession();
    ASSERT_TRUE(s.tessar);
    const std::vector<Velogram::CalculationChoice> choices = Velogram::RegisteredCalculations(s.framework.Get());
    ASSERT_FALSE(choices.empty());
    EXPECT_EQ(choices[0].name.ToUtf8(), "Tessar");

    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(10), Ramp(10)}, {Ramp(10), Ramp(10)}});
    const CalculationCommands commands(s.framework.Get(), doc.Get());
    int32_t channel = -1;
    ASSERT_EQ(commands.Add(s.tessar.Get(), 1, &channel), S_OK);
    EXPECT_EQ(channel, 2);
    EXPECT_EQ(doc->Info(2).name.ToUtf8(), "Channel 2 Tessar");
    EXPECT_TRUE(doc->Info(2).calculated);
    EXPECT_FALSE(doc->Info(2).setUp);
    EXPECT_EQ(doc->SourceOf(2), 1);
    // No source yet: nothing to show, and the pane is told so rather than failing.
    VARIANT_BOOL has = VARIANT_TRUE;
    ASSERT_EQ(doc->DataAccess()->HasSamples(2, 0, 0, &has), S_OK);
    EXPECT_EQ(has, VARIANT_FALSE);
    ComPtr<ICalculationClass> calcClass;
    ASSERT_EQ(doc->Calculations()->GetCalculationClass(2, calcClass.Put()), S_OK);
    EXPECT_EQ(calcClass.Get(), s.tessar.Get());
    EXPECT_EQ(doc->Calculations()->GetCalculationClass(0, calcClass.Put()), S_FALSE);

    EXPECT_EQ(commands.Add(s.tessar.Get(), 7, &channel), E_INVALIDARG);
}

TEST(CalculationCommands, SettingsGoThroughTheClassWithTheHostsObjects)
{
    const auto& s = TheSession();
    VelogramTest::CalculationClassDouble tessar(s.tessar.Get(), [](const VelogramTest::EditSettingsCall& call,
                                                                   IPersistObject** settings) {
        *settings = PressureSettings(call.channel).Detach();
        return S_OK;
    });
    {
        const ComPtr<HostDocument> doc = MakeDocument({{Ramp(4, 0, 0.25f), Ramp(2, 1, 0.5f)}});
        const HostPosition a{0, 1}, b{1, 1};
        ASSERT_EQ(doc->Selection()->SetSelection(&a, &b), S_OK);
        const CalculationCommands commands(s.framework.Get(), doc.Get());
        int32_t channel = -1;
        ASSERT_EQ(commands.Add(&tessar, 0, &channel), S_OK);
        int window = 0;
        EXPECT_EQ(commands.EditSettings(channel, &window), Outcome::Applied);

        // What the class was handed: the host's window, the document interface that leads to
        // the selection, the source channel, the host object and no settings the first time.
        ASSERT_EQ(tessar.calls, 1);
        EXPECT_EQ(tessar.last.parentWindow, &window);
        EXPECT_EQ(tessar.last.channel, 0);
        EXPECT_TRUE(tessar.last.hostObject);
        EXPECT_FALSE(tessar.last.current);
        ComPtr<IHostDocument> document;
        ASSERT_EQ(tessar.last.document.As(IID_IHostDocument, document), S_OK);
        ComPtr<IHostSelection> selection;
        ASSERT_EQ(document->GetHostSelection(selection.Put()), S_OK);
        HostPosition start, end;
        ASSERT_EQ(selection->GetSelection(&start, &end), S_OK);
        EXPECT_EQ(start.block, 0);
        EXPECT_EQ(end.block, 1);

        // Applied: the channel's samples are the source's through the calibration.
        EXPECT_TRUE(doc->IsSetUp(channel));
        const std::vector<float> calibrated = ReadAll(doc->DataAccess(), channel, 0, 0, 4);
        const std::vector<float> next = ReadAll(doc->DataAccess(), channel, 1, 0, 2);
        ASSERT_EQ(calibrated.size(), 4u);
        ASSERT_EQ(next.size(), 2u);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(calibrated[size_t(i)], 25.0 * i, 1e-4);
        EXPECT_NEAR(next[0], 100.0, 1e-4);
        EXPECT_NEAR(next[1], 150.0, 1e-4);
        EXPECT_EQ(doc->Info(channel).unit.ToUtf8(), "mmHg");

        // The second time the class gets the channel's settings, and equal ones change nothing.
        EXPECT_EQ(commands.EditSettings(channel, &window), Outcome::Unchanged);
        EXPECT_TRUE(tessar.last.current);
        tessar.last = {};
    }
    // The document's calculation held the class; nothing holds it once the document is gone.
    EXPECT_EQ(tessar.RefCount(), 0);
}

TEST(CalculationCommands, EveryAnswerOfTheClassIsHandled)
{
    const auto& s = TheSession();
    struct Case {
        const char* name;
        HRESULT answer;
        Outcome outcome;
        bool told;
    };
    const Case cases[] = {
        {"cancelled", S_FALSE, Outcome::Cancelled, false},
        {"refused, with the class's own message", E_FAIL, Outcome::Refused, false},
        {"no dialog", E_NOTIMPL, Outcome::NotImplemented, true},
        {"another failure", E_OUTOFMEMORY, Outcome::Failed, true},
        {"OK without settings", S_OK, Outcome::Failed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VelogramTest::CalculationClassDouble tessar(s.tessar.Get(),
                                                    [&](const auto&, IPersistObject**) { return c.answer; });
        MessageCapture messages;
        {
            const ComPtr<HostDocument> doc = MakeDocument({{Ramp(4)}});
            const CalculationCommands commands(s.framework.Get(), doc.Get());
            int32_t channel = -1;
            ASSERT_EQ(commands.Add(&tessar, 0, &channel), S_OK);
            EXPECT_EQ(commands.EditSettings(channel, nullptr), c.outcome);
            EXPECT_FALSE(doc->IsSetUp(channel));
        }
        EXPECT_EQ(messages.texts.size(), c.told ? 1u : 0u);
    }
}

TEST(CalculationCommands, APlainChannelHasNoSettings)
{
    const auto& s = TheSession();
    MessageCapture messages;
    const ComPtr<HostDocument> doc = MakeDocument({{Ramp(4)}});
    const CalculationCommands commands(s.framework.Get(), doc.Get());
    EXPECT_EQ(commands.EditSettings(0, nullptr), Outcome::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Channel 1 is not calculated: it has no calculation settings.");
}

}  // namespace
