// The pixel map over a record double and over the tabulated data: layout with the three kinds
// of gap, pixel to block, pixel to sample in both snapping modes, rebuilding only when a
// setting changed, appending, failures of the record, and reference counts.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "values/pix_map.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "tests/guilib/pix_doubles.h"

namespace {

using GUILib::PixMap;
using PixTest::ForeignBitset;
using PixTest::RecordDouble;
using PixTest::Refs;
using platform::ComPtr;

constexpr int64_t kNoPixel = std::numeric_limits<int64_t>::min();

// The map of the examples: blocks of 100, 50 and 20 samples at 1 pixel per sample, leading
// gap 5, normal gap 10, marked gap 30.
ComPtr<PixMap> ExampleMap(RecordDouble& record)
{
    ComPtr<PixMap> map = PixMap::Create(&record);
    EXPECT_EQ(map->SetGap(kLeadingGap, 5), S_OK);
    EXPECT_EQ(map->SetGap(kNormalGap, 10), S_OK);
    EXPECT_EQ(map->SetGap(kMarkedGap, 30), S_OK);
    return map;
}

struct Extent {
    int64_t gapOffset;
    int64_t end;
    bool operator==(const Extent&) const = default;
};

std::vector<Extent> Extents(PixMap& map)
{
    int32_t n = 0;
    EXPECT_EQ(map.GetBlockCount(&n), S_OK);
    std::vector<Extent> extents;
    for (int32_t b = 0; b < n; ++b) {
        Extent e{0, 0};
        EXPECT_EQ(map.GetBlockExtent(b, &e.gapOffset, &e.end), S_OK);
        extents.push_back(e);
    }
    return extents;
}

int64_t TotalWidth(PixMap& map)
{
    int64_t w = -1;
    EXPECT_EQ(map.GetTotalWidth(&w), S_OK);
    return w;
}

TEST(PixMap, LaysOutBlocksWithTheGapThatTheirBoundaryCalls)
{
    auto own = KVI::BitsetRep::Create();
    own->Set(37);
    auto none = KVI::BitsetRep::Create(4);
    ForeignBitset fillOnly({0, 0}, 0xFFFFFFFFu);
    ForeignBitset secondWord({0, 0x100}, 0);
    ForeignBitset foreignEmpty({0, 0, 0}, 0);
    ForeignBitset unreadable({1, 1}, 0);
    unreadable.Fail(E_UNEXPECTED);

    struct Row {
        std::string name;
        std::vector<int64_t> lengths;
        std::map<int32_t, IKVIBitset*> marks;
        int64_t p, q;
        std::vector<Extent> extents;  // block starts are the previous block's end
        int64_t total;
    };
    const std::vector<Row> rows = {
        {"no marks", {100, 50, 20}, {}, 1, 1, {{-5, 105}, {-10, 165}, {-10, 195}}, 195},
        {"marked third block", {100, 50, 20}, {{2, own.Get()}}, 1, 1, {{-5, 105}, {-10, 165}, {-30, 215}}, 215},
        {"fill word only", {100, 50, 20}, {{1, &fillOnly}}, 1, 1, {{-5, 105}, {-30, 185}, {-10, 215}}, 215},
        {"a bit in a later word", {100, 50, 20}, {{2, &secondWord}}, 1, 1, {{-5, 105}, {-10, 165}, {-30, 215}}, 215},
        {"sets with no bit", {100, 50, 20}, {{1, none.Get()}, {2, &foreignEmpty}}, 1, 1,
         {{-5, 105}, {-10, 165}, {-10, 195}}, 195},
        {"an unreadable set is no mark", {100, 50, 20}, {{2, &unreadable}}, 1, 1,
         {{-5, 105}, {-10, 165}, {-10, 195}}, 195},
        {"marks before block 0 keep the leading gap", {100}, {{0, own.Get()}}, 1, 1, {{-5, 105}}, 105},
        {"a quarter pixel per sample rounds up", {100, 50}, {}, 1, 4, {{-5, 30}, {-10, 53}}, 53},
        {"two pixels per sample", {100, 50}, {}, 2, 1, {{-5, 205}, {-10, 315}}, 315},
        {"empty record", {}, {}, 1, 1, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordDouble record(row.lengths);
        for (const auto& [block, set] : row.marks) record.SetMarks(block, set);
        ComPtr<PixMap> map = ExampleMap(record);
        ASSERT_EQ(map->SetScale(row.p, row.q), S_OK);
        EXPECT_EQ(Extents(*map.Get()), row.extents);
        EXPECT_EQ(TotalWidth(*map.Get()), row.total);
    }
    // Every set handed out for a boundary was released again.
    EXPECT_EQ(Refs(own.Get()), 1u);
    EXPECT_EQ(fillOnly.RefCount(), 0);
    EXPECT_EQ(secondWord.RefCount(), 0);
    EXPECT_EQ(unreadable.RefCount(), 0);
}

TEST(PixMap, PixelToBlockFindsTheLastBlockStartingAtOrBeforeThePixel)
{
    RecordDouble record({100, 50, 20});
    ComPtr<PixMap> map = ExampleMap(record);
    struct Row {
        int64_t x;
        int32_t block;
        int64_t offset;
        int64_t end;
        HRESULT hr;
    };
    const Row rows[] = {
        {-3, 0, -8, 105, S_FALSE},     // left of everything
        {0, 0, -5, 105, S_OK},         // in the leading gap
        {5, 0, 0, 105, S_OK},          // block 0's first data pixel
        {104, 0, 99, 105, S_OK},       // block 0's last pixel
        {105, 1, -10, 165, S_OK},      // block 1's gap starts where block 0 ends
        {107, 1, -8, 165, S_OK},       // inside block 1's gap
        {164, 1, 49, 165, S_OK},
        {165, 2, -10, 195, S_OK},
        {195, 2, 20, 195, S_FALSE},    // the end of the last block
        {100000, 2, 99825, 195, S_FALSE},
        {kNoPixel, 0, kNoPixel, 105, S_FALSE},  // held at the limit, not wrapped
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.x);
        int64_t offset = 1, end = 1;
        int32_t block = -1;
        EXPECT_EQ(map->PixelToBlock(row.x, &offset, &block, &end), row.hr);
        EXPECT_EQ(block, row.block);
        EXPECT_EQ(offset, row.offset);
        EXPECT_EQ(end, row.end);
    }
    // Out pointers may be null.
    EXPECT_EQ(map->PixelToBlock(104, nullptr, nullptr, nullptr), S_OK);
}

TEST(PixMap, PixelToSampleSnapsGapPixelsByMode)
{
    RecordDouble record({100, 50, 20});
    ComPtr<PixMap> map = ExampleMap(record);
    struct Row {
        std::string name;
        int32_t mode;
        int64_t x;
        int32_t block;
        int64_t sample;
        HRESULT hr;
    };
    // Block 1's gap is pixels 105 to 114; its right half (offsets -5 to -1) is 110 to 114.
    const std::vector<Row> rows = {
        {"data of block 1", 0, 120, 1, 5, S_OK},
        {"data of block 0", 1, 104, 0, 99, S_OK},
        {"right half of a gap, mode 0", 0, 110, 1, 0, S_OK},
        {"left half of a gap, mode 0", 0, 109, 0, 100, S_OK},
        {"pixel 107, mode 0", 0, 107, 0, 100, S_OK},
        {"right half of a gap, mode 1", 1, 110, 0, 100, S_OK},
        {"first gap pixel, mode 1", 1, 105, 0, 100, S_OK},
        {"a gap, another mode", 2, 107, 1, 0, S_OK},
        {"a gap, negative mode", -1, 107, 1, 0, S_OK},
        {"leading gap, left half, mode 0", 0, 2, 0, 0, S_OK},
        {"leading gap, right half, mode 0", 0, 3, 0, 0, S_OK},
        {"leading gap, mode 1", 1, 4, 0, 0, S_OK},
        {"left of everything", 1, -50, 0, 0, S_OK},
        {"past the last block", 0, 200, 2, 25, S_FALSE},  // the record's answer
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int64_t sample = -1;
        int32_t block = -1;
        EXPECT_EQ(map->PixelToSample(row.mode, row.x, &sample, &block), row.hr);
        EXPECT_EQ(block, row.block);
        EXPECT_EQ(sample, row.sample);
    }
}

TEST(PixMap, PixelToSampleHandsTheRecordTheBlockScaleAndOffset)
{
    RecordDouble record({100, 50, 20});
    ComPtr<PixMap> map = ExampleMap(record);
    ASSERT_EQ(map->SetScale(3, 2), S_OK);  // widths 150, 75, 30: block 1's data starts at 165
    int64_t sample = -1;
    int32_t block = -1;
    EXPECT_EQ(map->PixelToSample(0, 165 + 31, &sample, &block), S_OK);
    EXPECT_EQ(block, 1);
    EXPECT_EQ(sample, 20);  // floor(31 * 2 / 3)
    EXPECT_EQ(record.LastConversion().block, 1);
    EXPECT_EQ(record.LastConversion().p, 3);
    EXPECT_EQ(record.LastConversion().q, 2);
    EXPECT_EQ(record.LastConversion().offset, 31);
}

TEST(PixMap, RebuildsOnlyAfterASettingChanged)
{
    RecordDouble record({100, 50});
    auto set = KVI::BitsetRep::Create();
    const std::vector<std::pair<std::string, std::function<HRESULT(PixMap&)>>> changes = {
        {"option", [](PixMap& m) { return m.SetOption(7); }},
        {"gap", [](PixMap& m) { return m.SetGap(kNormalGap, 3); }},
        {"scale", [](PixMap& m) { return m.SetScale(2, 3); }},
        {"record", [&](PixMap& m) { return m.SetRecord(&record); }},
        {"slot 4", [](PixMap& m) { return m.Reserved4() == E_NOTIMPL ? S_OK : E_FAIL; }},
        {"slot 10", [](PixMap& m) { return m.Reserved10() == E_NOTIMPL ? S_OK : E_FAIL; }},
        {"rebuild", [](PixMap& m) { return m.Rebuild(); }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        ComPtr<PixMap> map = PixMap::Create(&record);
        int64_t w = 0;
        ASSERT_EQ(map->GetTotalWidth(&w), S_OK);
        const int32_t calls = record.BlockCountCalls();
        int64_t p = 0, q = 0;
        int32_t n = 0;
        ASSERT_EQ(map->GetScale(&p, &q), S_OK);
        ASSERT_EQ(map->GetBlockCount(&n), S_OK);
        ASSERT_EQ(map->PixelToBlock(3, nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(record.BlockCountCalls(), calls) << "queries of an unchanged map";
        ASSERT_EQ(change(*map.Get()), S_OK);
        ASSERT_EQ(map->GetBlockCount(&n), S_OK);
        EXPECT_EQ(record.BlockCountCalls(), calls + 1) << "the query after a change";
    }
}

TEST(PixMap, KeepsItsLayoutUntilToldTheRecordChanged)
{
    RecordDouble record({100, 50});
    ComPtr<PixMap> map = PixMap::Create(&record);
    EXPECT_EQ(TotalWidth(*map.Get()), 150);
    record.Lengths() = {100, 50, 20};
    record.SetBlockCount(3);
    int32_t n = 0;
    ASSERT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(map->Rebuild(), S_OK);
    ASSERT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(TotalWidth(*map.Get()), 170);
}

TEST(PixMap, SettingsAreCheckedAndKept)
{
    RecordDouble record({10});
    ComPtr<PixMap> map = PixMap::Create(&record);
    int64_t p = 0, q = 0;
    ASSERT_EQ(map->GetScale(&p, &q), S_OK);
    EXPECT_EQ(p, 1);
    EXPECT_EQ(q, 1);
    EXPECT_EQ(map->SetScale(3, 7), S_OK);
    EXPECT_EQ(map->SetScale(0, 7), E_INVALIDARG);
    EXPECT_EQ(map->SetScale(3, 0), E_INVALIDARG);
    EXPECT_EQ(map->SetScale(-3, -7), E_INVALIDARG);
    ASSERT_EQ(map->GetScale(&p, &q), S_OK);
    EXPECT_EQ(p, 3);
    EXPECT_EQ(q, 7);
    EXPECT_EQ(map->GetScale(nullptr, &q), E_POINTER);

    EXPECT_EQ(map->SetGap(3, 1), E_INVALIDARG);
    EXPECT_EQ(map->SetGap(-1, 1), E_INVALIDARG);
    EXPECT_EQ(map->SetGap(kLeadingGap, -1), E_INVALIDARG);
    EXPECT_EQ(map->SetScale(1, 1), S_OK);
    EXPECT_EQ(TotalWidth(*map.Get()), 10);  // no gap was changed by a refused call

    EXPECT_EQ(map->Reserved4(), E_NOTIMPL);
    EXPECT_EQ(map->Reserved10(), E_NOTIMPL);
    const std::vector<std::function<HRESULT()>> unimplemented = {
        [&] { return map->Reserved5(); },  [&] { return map->Reserved7(); },  [&] { return map->Reserved14(); },
        [&] { return map->Reserved20(); }, [&] { return map->Reserved22(); }, [&] { return map->Reserved25(); },
        [&] { return map->Reserved26(); }, [&] { return map->Reserved27(); }, [&] { return map->Reserved28(); },
    };
    for (const auto& slot : unimplemented) EXPECT_EQ(slot(), E_NOTIMPL);
}

TEST(PixMap, BlockExtentBeyondTheLayoutIsTheSmallestPixel)
{
    RecordDouble record({100, 50, 20});
    ComPtr<PixMap> map = ExampleMap(record);
    int64_t gap = 0, end = 0;
    EXPECT_EQ(map->GetBlockExtent(3, &gap, &end), S_FALSE);
    EXPECT_EQ(gap, kNoPixel);
    EXPECT_EQ(end, kNoPixel);
    gap = end = 0;
    EXPECT_EQ(map->GetBlockExtent(-1, &gap, &end), E_INVALIDARG);
    EXPECT_EQ(gap, kNoPixel);
    EXPECT_EQ(end, kNoPixel);
    EXPECT_EQ(map->GetBlockExtent(0, nullptr, &end), E_POINTER);
}

TEST(PixMap, AppendingExtendsANewBlockAfterTheLastOne)
{
    // Two finished blocks; the record already holds 12 samples of block 2 but still counts two.
    RecordDouble record({100, 50, 12});
    record.SetBlockCount(2);
    record.SetAppendingBlock(2);
    ComPtr<PixMap> map = ExampleMap(record);
    int64_t pixel = 0;
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 165 + 10);  // after block 1, behind the gap block 2 will have

    ASSERT_EQ(map->BeginAppend(), S_OK);
    int32_t n = 0;
    ASSERT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 175);
    EXPECT_EQ(TotalWidth(*map.Get()), 187);
    record.Lengths()[2] = 40;  // the last block's width is asked again as it grows
    EXPECT_EQ(TotalWidth(*map.Get()), 215);
    int32_t block = -1;
    EXPECT_EQ(map->PixelToBlock(200, nullptr, &block, nullptr), S_OK);
    EXPECT_EQ(block, 2);

    ASSERT_EQ(map->EndAppend(), S_OK);
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 215 + 10);

    // A map rebuilt while the record does not count the appending block yet: the append pixel
    // is still where that block's data goes.
    ASSERT_EQ(map->BeginAppend(), S_OK);
    ASSERT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(map->Rebuild(), S_OK);
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 175);
}

TEST(PixMap, AppendingToAKnownBlockAddsNoBlock)
{
    RecordDouble record({100, 50});
    record.SetAppendingBlock(1);
    ComPtr<PixMap> map = ExampleMap(record);
    ASSERT_EQ(map->BeginAppend(), S_OK);
    int32_t n = 0;
    ASSERT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 2);
    int64_t pixel = 0;
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 115);  // where block 1's data starts

    record.SetAppendingBlock(5);  // a block the record cannot be appending to
    EXPECT_EQ(map->BeginAppend(), E_FAIL);
    record.SetAppendingBlock(-1);
    EXPECT_EQ(map->BeginAppend(), E_FAIL);

    ComPtr<PixMap> empty = PixMap::Create(nullptr);
    EXPECT_EQ(empty->BeginAppend(), E_FAIL);
}

TEST(PixMap, TheFirstBlockOfAnEmptyRecordStartsAtTheLeadingGap)
{
    RecordDouble record;
    record.SetAppendingBlock(0);
    ComPtr<PixMap> map = ExampleMap(record);
    int64_t pixel = 0;
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 5);
    record.Lengths() = {8};
    ASSERT_EQ(map->BeginAppend(), S_OK);
    ASSERT_EQ(map->GetAppendPixel(&pixel), S_OK);
    EXPECT_EQ(pixel, 5);
    EXPECT_EQ(TotalWidth(*map.Get()), 13);
}

TEST(PixMap, WithoutBlocksEveryQueryAnswersEmpty)
{
    RecordDouble record;
    for (ComPtr<PixMap> map : {PixMap::Create(&record), PixMap::Create(nullptr)}) {
        ASSERT_EQ(map->SetGap(kLeadingGap, 4), S_OK);
        int32_t n = -1;
        EXPECT_EQ(map->GetBlockCount(&n), S_OK);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(TotalWidth(*map.Get()), 0);
        int64_t offset = 0, end = -1;
        int32_t block = -1;
        EXPECT_EQ(map->PixelToBlock(10, &offset, &block, &end), S_FALSE);
        EXPECT_EQ(block, 0);
        EXPECT_EQ(offset, 6);
        EXPECT_EQ(end, 0);
        int64_t sample = -1;
        block = -1;
        EXPECT_EQ(map->PixelToSample(0, 10, &sample, &block), S_FALSE);
        EXPECT_EQ(sample, 0);
        EXPECT_EQ(block, 0);
        int64_t pixel = -1;
        EXPECT_EQ(map->GetAppendPixel(&pixel), S_OK);
        EXPECT_EQ(pixel, 4);
    }
}

TEST(PixMap, FailuresOfTheRecordReachTheCallerAndAreAskedAgain)
{
    RecordDouble record({100, 50});
    record.SetBlockCount(2, E_UNEXPECTED);
    ComPtr<PixMap> map = PixMap::Create(&record);
    int64_t w = -1;
    EXPECT_EQ(map->GetTotalWidth(&w), E_UNEXPECTED);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(map->Rebuild(), E_UNEXPECTED);
    record.SetBlockCount(2);
    EXPECT_EQ(map->GetTotalWidth(&w), S_OK);
    EXPECT_EQ(w, 150);

    record.FailWidthOf(1);
    ASSERT_EQ(map->Rebuild(), E_UNEXPECTED);
    int32_t n = -1;
    EXPECT_EQ(map->GetBlockCount(&n), E_UNEXPECTED);
    EXPECT_EQ(n, 0);
    int64_t sample = -1;
    int32_t block = -1;
    EXPECT_EQ(map->PixelToSample(0, 10, &sample, &block), E_UNEXPECTED);
}

TEST(PixMap, HoldsOneReferenceToItsRecord)
{
    RecordDouble record({10});
    ForeignBitset notARecord({0, 0}, 0);
    {
        ComPtr<PixMap> map = PixMap::Create(&record);
        EXPECT_EQ(Refs(map.Get()), 1u);
        EXPECT_EQ(record.RefCount(), 1);

        ComPtr<IRecordDataPixMap> face;
        EXPECT_EQ(map->QueryInterface(IID_IRecordDataPixMap, face.PutVoid()), S_OK);
        EXPECT_EQ(Refs(map.Get()), 2u);
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(map->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
        EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(face.Get()));
        EXPECT_EQ(Refs(map.Get()), 3u);
        ComPtr<IRecordData> wrong;
        EXPECT_EQ(map->QueryInterface(IID_IRecordData, wrong.PutVoid()), E_NOINTERFACE);
        EXPECT_FALSE(wrong);
        EXPECT_EQ(Refs(map.Get()), 3u);
        face.Reset();
        unknown.Reset();

        ComPtr<IRecordData> got;
        EXPECT_EQ(map->GetRecord(got.Put()), S_OK);
        EXPECT_EQ(got.Get(), static_cast<IRecordData*>(&record));
        EXPECT_EQ(record.RefCount(), 2);
        got.Reset();
        EXPECT_EQ(record.RefCount(), 1);

        EXPECT_EQ(map->SetRecord(&notARecord), E_NOINTERFACE);
        EXPECT_EQ(record.RefCount(), 0);
        EXPECT_EQ(notARecord.RefCount(), 0);
        EXPECT_EQ(map->GetRecord(got.Put()), S_OK);
        EXPECT_FALSE(got);

        EXPECT_EQ(map->SetRecord(&record), S_OK);
        EXPECT_EQ(record.RefCount(), 1);
        EXPECT_EQ(map->SetRecord(nullptr), S_OK);
        EXPECT_EQ(record.RefCount(), 0);
        EXPECT_EQ(map->SetRecord(&record), S_OK);
        EXPECT_EQ(map->GetRecord(nullptr), E_POINTER);
    }
    EXPECT_EQ(record.RefCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Through the tabulated data: its record-data slot 33 makes a map over the table.

TEST(PixMap, TheTabulatedDataMakesAMapOverItself)
{
    ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData);
    ASSERT_EQ(Refs(table.Get()), 1u);
    ComPtr<IRecordDataPixMap> map;
    ASSERT_EQ(table->CreatePixMap(map.Put()), S_OK);
    ASSERT_TRUE(map);
    EXPECT_EQ(Refs(map.Get()), 1u);
    EXPECT_EQ(Refs(table.Get()), 2u);  // the map holds the table

    int32_t n = -1;
    int64_t w = -1;
    EXPECT_EQ(map->GetBlockCount(&n), S_OK);  // an empty table has no block
    EXPECT_EQ(n, 0);
    EXPECT_EQ(map->GetTotalWidth(&w), S_OK);
    EXPECT_EQ(w, 0);

    ASSERT_EQ(table->AddColumn(nullptr, nullptr), S_OK);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(table->AppendValue(0, float(i)), S_OK);
    ASSERT_EQ(map->SetGap(kLeadingGap, 5), S_OK);
    EXPECT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(map->GetTotalWidth(&w), S_OK);
    EXPECT_EQ(w, 105);
    int64_t offset = 0, end = 0;
    int32_t block = -1;
    EXPECT_EQ(map->PixelToBlock(104, &offset, &block, &end), S_OK);
    EXPECT_EQ(block, 0);
    EXPECT_EQ(offset, 99);
    EXPECT_EQ(end, 105);
    EXPECT_EQ(map->PixelToBlock(105, &offset, &block, &end), S_FALSE);
    // In the gap the map answers itself; in the data it passes on the table's answer.
    int64_t sample = -1;
    EXPECT_EQ(map->PixelToSample(0, 3, &sample, &block), S_OK);
    EXPECT_EQ(sample, 0);
    EXPECT_EQ(map->PixelToSample(0, 50, &sample, &block), E_NOTIMPL);

    ComPtr<IRecordData> record;
    ASSERT_EQ(map->GetRecord(record.Put()), S_OK);
    EXPECT_EQ(record.Get(), static_cast<IRecordData*>(table.Get()));
    EXPECT_EQ(Refs(table.Get()), 3u);
    record.Reset();
    map.Reset();
    EXPECT_EQ(Refs(table.Get()), 1u);
    EXPECT_EQ(table->CreatePixMap(nullptr), E_POINTER);
}

}  // namespace
