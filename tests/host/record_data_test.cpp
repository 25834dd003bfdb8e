// A document's record-data answers (block count and lengths, boundary marks, appending block,
// widths and pixel positions at a scale), the tear-off's reference counts, and the pixel map
// laid over a document.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "interfaces/record_data_pixmap.h"
#include "foundation/bitset_rep.h"
#include "values/pix_map.h"
#include "host/zor/document.h"

namespace {

using platform::ComPtr;
using Zor::Document;

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

template <class T>
uint32_t Refs(T* p)
{
    p->AddRef();
    return p->Release();
}

// One channel per entry; samples[c][b] is the number of samples of channel c in block b.
ComPtr<Document> MakeDocument(const std::vector<std::vector<uint32_t>>& samples)
{
    ComPtr<Document> doc = Document::Create();
    const size_t blocks = samples.empty() ? 0 : samples[0].size();
    for (size_t b = 0; b < blocks; ++b) EXPECT_EQ(doc->AddBlock(nullptr), S_OK);
    for (size_t c = 0; c < samples.size(); ++c) {
        int32_t channel = -1;
        EXPECT_EQ(doc->AddChannel(nullptr, &channel), S_OK);
        for (size_t b = 0; b < blocks; ++b) {
            const std::vector<float> values(samples[c][b], 0.25f);
            EXPECT_EQ(doc->AppendSamples(channel, int32_t(b), values.data(), uint32_t(values.size())), S_OK);
        }
    }
    return doc;
}

// Blocks of 100, 50 and 20 samples: the longest of two channels in each.
ComPtr<Document> ExampleDocument() { return MakeDocument({{100, 10, 20}, {30, 50, 0}}); }

ComPtr<IRecordData> RecordOf(Document* doc)
{
    ComPtr<IRecordData> record;
    EXPECT_EQ(doc->QueryInterface(IID_IRecordData, record.PutVoid()), S_OK);
    return record;
}

TEST(DocumentRecordData, IsATearOffThatHoldsTheDocument)
{
    ComPtr<Document> doc = ExampleDocument();
    EXPECT_EQ(Refs(doc.Get()), 1u);
    ComPtr<IRecordData> record = RecordOf(doc.Get());
    ASSERT_TRUE(record);
    EXPECT_EQ(Refs(record.Get()), 1u);
    EXPECT_EQ(Refs(doc.Get()), 2u);

    // Asked for anything else it answers as the document, so identity holds.
    ComPtr<IUnknown> fromRecord, fromDoc;
    EXPECT_EQ(record->QueryInterface(IID_IUnknown, fromRecord.PutVoid()), S_OK);
    EXPECT_EQ(doc->QueryInterface(IID_IUnknown, fromDoc.PutVoid()), S_OK);
    EXPECT_EQ(fromRecord.Get(), fromDoc.Get());
    EXPECT_EQ(Refs(doc.Get()), 4u);
    ComPtr<IRecording> recording;
    EXPECT_EQ(record->QueryInterface(IID_IRecording, recording.PutVoid()), S_OK);
    EXPECT_EQ(Refs(doc.Get()), 5u);
    ComPtr<IRecordData> again;
    EXPECT_EQ(record->QueryInterface(IID_IRecordData, again.PutVoid()), S_OK);
    EXPECT_EQ(again.Get(), record.Get());
    EXPECT_EQ(Refs(record.Get()), 2u);
    EXPECT_EQ(record->QueryInterface(IID_IRecordDataPixMap, again.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(Refs(record.Get()), 1u);

    fromRecord.Reset();
    fromDoc.Reset();
    recording.Reset();
    record.Reset();
    EXPECT_EQ(Refs(doc.Get()), 1u);
}

TEST(DocumentRecordData, CountsBlocksAndTheirLongestChannel)
{
    ComPtr<Document> doc = ExampleDocument();
    ComPtr<IRecordData> record = RecordOf(doc.Get());
    int32_t n = -1;
    EXPECT_EQ(record->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 3);
    const int32_t lengths[] = {100, 50, 20};
    for (int32_t b = 0; b < 3; ++b) {
        EXPECT_EQ(record->GetBlockLength(uint32_t(b), 0, &n), S_OK);
        EXPECT_EQ(n, lengths[b]);
    }
    n = -1;
    EXPECT_EQ(record->GetBlockLength(3, 0, &n), E_INVALIDARG);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(record->GetBlockLength(kCurrentBlockSelector, 0, &n), E_INVALIDARG);
    EXPECT_EQ(record->GetBlockLength(0, 1, &n), E_INVALIDARG);
    EXPECT_EQ(record->GetAppendingBlock(&n), S_OK);
    EXPECT_EQ(n, 2);

    // Samples appended later are seen at once.
    const float more[60] = {};
    ASSERT_EQ(doc->AppendSamples(0, 2, more, 60), S_OK);
    EXPECT_EQ(record->GetBlockLength(2, 0, &n), S_OK);
    EXPECT_EQ(n, 80);

    ComPtr<Document> empty = MakeDocument({});
    ComPtr<IRecordData> none = RecordOf(empty.Get());
    EXPECT_EQ(none->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(none->GetAppendingBlock(&n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(none->GetBlockLength(0, 0, &n), E_INVALIDARG);
}

TEST(DocumentRecordData, WidthsAndPixelPositionsFollowTheScale)
{
    ComPtr<Document> doc = ExampleDocument();
    ComPtr<IRecordData> record = RecordOf(doc.Get());
    struct Row {
        std::string name;
        int32_t block;
        int64_t p, q;
        int64_t width;
    };
    const std::vector<Row> widths = {
        {"a pixel per sample", 0, 1, 1, 100},
        {"a third of a pixel rounds up", 0, 1, 3, 34},
        {"three halves", 1, 3, 2, 75},
        {"an exact fraction", 2, 1, 4, 5},
        {"a huge scale stays at the limit", 0, kInt64Max, 1, kInt64Max},
    };
    for (const Row& row : widths) {
        SCOPED_TRACE(row.name);
        int64_t w = -1;
        EXPECT_EQ(record->GetBlockWidth(kCurrentBlockSelector, row.block, row.p, row.q, &w), S_OK);
        EXPECT_EQ(w, row.width);
    }

    struct Conversion {
        std::string name;
        int32_t block;
        int64_t p, q, offset;
        HRESULT hr;
        int64_t sample;
    };
    const std::vector<Conversion> conversions = {
        {"first pixel", 0, 1, 3, 0, S_OK, 0},
        {"last pixel of 34", 0, 1, 3, 33, S_OK, 99},
        {"one past the last", 0, 1, 3, 34, S_FALSE, 102},
        {"two pixels per sample", 1, 2, 1, 99, S_OK, 49},
        {"the block's end", 1, 2, 1, 100, S_FALSE, 50},
    };
    for (const Conversion& row : conversions) {
        SCOPED_TRACE(row.name);
        int64_t s = -1;
        EXPECT_EQ(record->PixelToSample(kCurrentBlockSelector, row.block, row.p, row.q, row.offset, &s), row.hr);
        EXPECT_EQ(s, row.sample);
    }

    int64_t out = -1;
    EXPECT_EQ(record->GetBlockWidth(kCurrentBlockSelector, 0, 0, 1, &out), E_INVALIDARG);
    EXPECT_EQ(record->GetBlockWidth(kCurrentBlockSelector, 0, 1, -1, &out), E_INVALIDARG);
    EXPECT_EQ(record->GetBlockWidth(kCurrentBlockSelector, 3, 1, 1, &out), E_INVALIDARG);
    EXPECT_EQ(record->PixelToSample(kCurrentBlockSelector, 0, 1, 1, -1, &out), E_INVALIDARG);
    EXPECT_EQ(record->PixelToSample(kCurrentBlockSelector, -1, 1, 1, 0, &out), E_INVALIDARG);
    EXPECT_EQ(out, 0);
}

TEST(DocumentRecordData, BoundariesCarryTheMarksSetOnThem)
{
    ComPtr<Document> doc = ExampleDocument();
    ComPtr<IRecordData> record = RecordOf(doc.Get());
    ComPtr<IKVIBitset> marks;
    ASSERT_EQ(record->GetBoundaryMarks(kCurrentBlockSelector, 2, marks.Put()), S_OK);
    EXPECT_EQ(Refs(marks.Get()), 1u);
    EXPECT_FALSE(KVI::BitsetRep::AnySet(marks.Get()));

    auto set = KVI::BitsetRep::Create();
    set->Set(40);
    ASSERT_EQ(doc->SetBoundaryMarks(2, set.Get()), S_OK);
    EXPECT_EQ(Refs(set.Get()), 1u);  // copied, not held
    set->Set(41);                    // so later changes of the set do not reach the document
    ASSERT_EQ(record->GetBoundaryMarks(kCurrentBlockSelector, 2, marks.Put()), S_OK);
    ComPtr<KVI::BitsetRep> copy;
    ASSERT_EQ(KVI::BitsetRep::CopyOf(marks.Get(), &copy), S_OK);
    EXPECT_TRUE(copy->Test(40));
    EXPECT_FALSE(copy->Test(41));
    ASSERT_EQ(record->GetBoundaryMarks(kCurrentBlockSelector, 1, marks.Put()), S_OK);
    EXPECT_FALSE(KVI::BitsetRep::AnySet(marks.Get()));

    auto ones = KVI::BitsetRep::Create(2, true);
    ASSERT_EQ(doc->SetBoundaryMarks(1, ones.Get()), S_OK);
    ASSERT_EQ(record->GetBoundaryMarks(kCurrentBlockSelector, 1, marks.Put()), S_OK);
    ASSERT_EQ(KVI::BitsetRep::CopyOf(marks.Get(), &copy), S_OK);
    EXPECT_EQ(copy->Fill(), KVI::BitsetRep::kAllOnes);
    ASSERT_EQ(doc->SetBoundaryMarks(1, nullptr), S_OK);
    ASSERT_EQ(record->GetBoundaryMarks(kCurrentBlockSelector, 1, marks.Put()), S_OK);
    EXPECT_FALSE(KVI::BitsetRep::AnySet(marks.Get()));

    EXPECT_EQ(doc->SetBoundaryMarks(3, set.Get()), E_INVALIDARG);
    EXPECT_EQ(doc->SetBoundaryMarks(-1, set.Get()), E_INVALIDARG);
    EXPECT_EQ(record->GetBoundaryMarks(kCurrentBlockSelector, 3, marks.Put()), E_INVALIDARG);
    EXPECT_FALSE(marks);
}

// ---------------------------------------------------------------------------------------------
// The pixel map over a document.

ComPtr<GUILib::PixMap> MapOver(Document* doc)
{
    ComPtr<GUILib::PixMap> map = GUILib::PixMap::Create(static_cast<IRecording*>(doc));
    EXPECT_EQ(map->SetGap(kLeadingGap, 5), S_OK);
    EXPECT_EQ(map->SetGap(kNormalGap, 10), S_OK);
    EXPECT_EQ(map->SetGap(kMarkedGap, 30), S_OK);
    return map;
}

TEST(DocumentPixMap, LaysOutTheDocumentsBlocks)
{
    ComPtr<Document> doc = ExampleDocument();
    ComPtr<GUILib::PixMap> map = MapOver(doc.Get());
    EXPECT_EQ(Refs(doc.Get()), 2u);  // through the map's record tear-off

    int64_t w = -1, gap = 0, end = 0;
    EXPECT_EQ(map->GetTotalWidth(&w), S_OK);
    EXPECT_EQ(w, 195);
    EXPECT_EQ(map->GetBlockExtent(1, &gap, &end), S_OK);
    EXPECT_EQ(end, 165);  // so block 2 starts at 165

    struct Row {
        int64_t x;
        int32_t block;
        int64_t offset;
        HRESULT hr;
    };
    for (const Row& row : {Row{104, 0, 99, S_OK}, Row{107, 1, -8, S_OK}, Row{195, 2, 20, S_FALSE}}) {
        SCOPED_TRACE(row.x);
        int64_t offset = 0;
        int32_t block = -1;
        EXPECT_EQ(map->PixelToBlock(row.x, &offset, &block, nullptr), row.hr);
        EXPECT_EQ(block, row.block);
        EXPECT_EQ(offset, row.offset);
    }
    int64_t sample = -1;
    int32_t block = -1;
    EXPECT_EQ(map->PixelToSample(0, 107, &sample, &block), S_OK);
    EXPECT_EQ(block, 0);
    EXPECT_EQ(sample, 100);
    EXPECT_EQ(map->PixelToSample(1, 150, &sample, &block), S_OK);
    EXPECT_EQ(block, 1);
    EXPECT_EQ(sample, 35);

    // A mark on the boundary before the third block widens its gap.
    auto set = KVI::BitsetRep::Create();
    set->Set(0);
    ASSERT_EQ(doc->SetBoundaryMarks(2, set.Get()), S_OK);
    ASSERT_EQ(map->Rebuild(), S_OK);
    EXPECT_EQ(map->GetTotalWidth(&w), S_OK);
    EXPECT_EQ(w, 215);
    EXPECT_EQ(map->PixelToBlock(195, nullptr, &block, nullptr), S_OK);
    EXPECT_EQ(block, 2);
    EXPECT_EQ(map->PixelToSample(0, 195, &sample, &block), S_OK);
    EXPECT_EQ(sample, 0);
    EXPECT_EQ(block, 2);

    map.Reset();
    EXPECT_EQ(Refs(doc.Get()), 1u);
}

TEST(DocumentPixMap, AnEmptyDocumentHasNoWidth)
{
    ComPtr<Document> doc = MakeDocument({});
    ComPtr<GUILib::PixMap> map = MapOver(doc.Get());
    int32_t n = -1;
    int64_t w = -1;
    EXPECT_EQ(map->GetBlockCount(&n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(map->GetTotalWidth(&w), S_OK);
    EXPECT_EQ(w, 0);
}

}  // namespace
