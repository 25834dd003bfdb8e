// Reading the host selection block by block over the document interfaces (a test double of the
// host's document), into a sink that writes down what it is told.
#include <gtest/gtest.h>

#include <vector>

#include "platform/com_ptr.h"
#include "settings_dialog/pane_geometry.h"
#include "settings_dialog/selection_reader.h"
#include "tests/support/fake_host_document.h"

namespace {

using platform::ComPtr;
using Tessar::SelectionReader;
using Tessar::SelectionSink;
using TestSupport::FakeHostDocument;
using Request = FakeHostDocument::StreamRequest;

class RecordingSink final : public SelectionSink {
public:
    void ClearSamples() override
    {
        samples.clear();
        ++clears;
    }
    void SetState(int32_t s) override { states.push_back(s); }
    void LoadSamples(IEnumFloatEx* stream, double factor) override
    {
        ++loads;
        Tessar::PaneGeometry::AppendScaledSamples(stream, factor, samples);
    }

    std::vector<float> samples;
    std::vector<int32_t> states;
    int clears = 0;
    int loads = 0;
};

// Channel 1 has data in blocks 0 and 2 but not in block 1; channel 0 holds other values.
class SelectionReaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        doc_.SetChannel(0, {std::vector<float>{-1, -1, -1, -1}, std::vector<float>{-1}, std::vector<float>{-1, -1}});
        doc_.SetChannel(1, {std::vector<float>{1, 2, 3, 4, 5}, std::nullopt, std::vector<float>{6, 7, 8, 9}});
    }

    int32_t Read(double factor = 1.0, const Tessar::StreamAdapter& adapter = {})
    {
        return SelectionReader(&doc_, &doc_, 1).Read(sink_, factor, adapter);
    }

    FakeHostDocument doc_;
    RecordingSink sink_;
};

TEST_F(SelectionReaderTest, ReadsEachBlockWithDataFromStartToEnd)
{
    doc_.SetSelection({0, 2}, {2, 3});
    EXPECT_EQ(Read(10.0), SelectionSink::kData);
    EXPECT_EQ(sink_.clears, 1);
    // Block 0 from offset 2 to its end, block 1 skipped, block 2 from 0 to offset 3.
    EXPECT_EQ(doc_.requests, (std::vector<Request>{{1, 0, 2, 5}, {1, 2, 0, 3}}));
    EXPECT_EQ(sink_.samples, (std::vector<float>{30, 40, 50, 60, 70, 80}));
    EXPECT_EQ(sink_.states, (std::vector<int32_t>{3, 3}));
    for (uint32_t n : doc_.chunkSizes) EXPECT_EQ(n, 16u);
    EXPECT_EQ(doc_.RefCount(), 0) << "every reference given back";
}

TEST_F(SelectionReaderTest, OneBlockFromStartOffsetToEndOffset)
{
    doc_.SetSelection({2, 1}, {2, 3});
    EXPECT_EQ(Read(), SelectionSink::kData);
    EXPECT_EQ(doc_.requests, (std::vector<Request>{{1, 2, 1, 3}}));
    EXPECT_EQ(sink_.samples, (std::vector<float>{7, 8}));
}

TEST_F(SelectionReaderTest, StatesWithoutData)
{
    struct Case {
        const char* name;
        void (*arrange)(FakeHostDocument&);
        int32_t state;
    } cases[] = {
        {"no data-access object", [](FakeHostDocument& d) { d.noDataAccess = true; }, SelectionSink::kNoSelection},
        {"no selection", [](FakeHostDocument& d) { d.ClearSelection(); }, SelectionSink::kNoSelection},
        {"the selection's question fails", [](FakeHostDocument& d) { d.selectionFails = true; },
         SelectionSink::kNoSelection},
        {"end block before the start block", [](FakeHostDocument& d) { d.SetSelection({2, 0}, {0, 1}); },
         SelectionSink::kNoData},
        {"only a block without data", [](FakeHostDocument& d) { d.SetSelection({1, 0}, {1, 1}); },
         SelectionSink::kNoData},
        {"blocks the recording does not have", [](FakeHostDocument& d) { d.SetSelection({5, 0}, {kUnsetPosition, 0}); },
         SelectionSink::kNoData},
    };
    for (const Case& c : cases) {
        FakeHostDocument doc;
        doc.SetChannel(1, {std::vector<float>{1, 2}, std::nullopt, std::vector<float>{3}});
        doc.SetSelection({0, 0}, {2, 1});
        c.arrange(doc);
        RecordingSink sink;
        EXPECT_EQ(SelectionReader(&doc, &doc, 1).Read(sink, 1.0), c.state) << c.name;
        EXPECT_EQ(sink.states, std::vector<int32_t>{c.state}) << c.name;
        EXPECT_EQ(sink.loads, 0) << c.name;
        EXPECT_EQ(sink.clears, 1) << c.name;
    }
}

TEST_F(SelectionReaderTest, MissingInterfacesGiveNoSelection)
{
    doc_.SetSelection({0, 0}, {0, 2});
    RecordingSink sink;
    EXPECT_EQ(SelectionReader(&doc_, nullptr, 1).Read(sink, 1.0), SelectionSink::kNoSelection);
    EXPECT_EQ(SelectionReader(nullptr, &doc_, 1).Read(sink, 1.0), SelectionSink::kNoSelection);
    EXPECT_TRUE(doc_.requests.empty());
}

TEST_F(SelectionReaderTest, TheAdapterMakesTheStreamThatIsLoaded)
{
    doc_.SetSelection({0, 0}, {2, 4});
    int adapted = 0;
    auto adapter = [&](IEnumFloatEx*, IEnumFloatEx** out) -> HRESULT {
        // The first block's stream is replaced; the second's refused (that block is skipped).
        if (++adapted == 2) return E_FAIL;
        *out = TestSupport::NewVectorStream({100, 200});
        return S_OK;
    };
    EXPECT_EQ(Read(1.0, adapter), SelectionSink::kData);
    EXPECT_EQ(adapted, 2);
    EXPECT_EQ(sink_.samples, (std::vector<float>{100, 200}));
}

}  // namespace
