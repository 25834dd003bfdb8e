// Documents without calculations: the recording's channels, blocks and sample streams; saving
// and loading; and bad files, which must be reported and change nothing. (Calculated channels
// are tested end to end with the module.)
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "host/zor/document.h"
#include "host/zor/document_file.h"
#include "host/zor/object_stream_format.h"
#include "host/zor/sample_block.h"
#include "host/zor/units_service.h"
#include "platform/code_page.h"
#include "tests/host/temp_dir.h"

namespace {

using platform::ComPtr;
using Zor::Document;

std::u16string Wide(const std::string& s) { return platform::Utf8ToUtf16(s); }

std::string Text(IAutoKVIString* s)
{
    std::string text = KVI::String(s).ToUtf8();
    if (s) s->Release();
    return text;
}

std::vector<float> ReadAll(IEnumFloatEx* stream, uint32_t chunk = 7)
{
    std::vector<float> all, buffer(chunk);
    for (;;) {
        uint32_t got = 0;
        const HRESULT hr = stream->Next(chunk, buffer.data(), &got);
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
        if (hr != S_OK) break;
    }
    return all;
}

std::vector<float> Ramp(size_t n, float scale)
{
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = scale * static_cast<float>(i);
    return v;
}

// Two channels, two blocks; channel 1 has no samples in block 1.
ComPtr<Document> MakeDocument()
{
    ComPtr<Document> doc = Document::Create();
    int32_t a = -1, b = -1;
    doc->AddChannel(KVI::String(u"Pressure (raw) \u00B5").Interface(), &a);
    doc->AddChannel(nullptr, &b);
    doc->AddBlock(nullptr);
    doc->AddBlock(nullptr);
    const auto first = Ramp(100, 0.5f), second = Ramp(30, -1.0f), third = Ramp(5, 2.0f);
    doc->AppendSamples(a, 0, first.data(), static_cast<uint32_t>(first.size()));
    doc->AppendSamples(a, 1, second.data(), static_cast<uint32_t>(second.size()));
    doc->AppendSamples(b, 0, third.data(), static_cast<uint32_t>(third.size()));
    KVI::UnitInfo unit;
    unit.prefix_ = 7;
    unit.name_ = KVI::String(u"degrees C");
    ComPtr<IUnitName> u = ComPtr<IUnitName>::Adopt(Zor::NewUnitName(unit));
    doc->SetChannelUnit(a, u.Get());
    doc->SetChannelColour(b, 0x123456);
    doc->SetDisplayRange(a, 250.0, -0.125);
    doc->SetUnitsConversion(b, 1);
    return doc;
}

// Everything a document holds, as text, to compare documents.
std::string Fingerprint(Document& doc)
{
    std::string s;
    int32_t channels = 0, blocks = 0;
    doc.GetChannelCount(&channels);
    doc.GetBlockCount(&blocks);
    s += std::to_string(channels) + " channels, " + std::to_string(blocks) + " blocks\n";
    for (int32_t c = 0; c < channels; ++c) {
        IAutoKVIString* name = nullptr;
        doc.GetChannelName(c, &name);
        ComPtr<IUnitName> unit;
        doc.GetChannelUnit(c, unit.Put());
        KVI::UnitInfo info;
        Zor::UnitInfoOf(unit.Get(), &info);
        uint32_t colour = 0;
        double top = 0, bottom = 0;
        int32_t conversion = 0;
        doc.GetChannelColour(c, &colour);
        doc.GetDisplayRange(c, &top, &bottom);
        doc.GetUnitsConversion(c, &conversion);
        s += Text(name) + "|" + std::to_string(info.prefix_) + info.name_.ToUtf8() + std::to_string(info.flag_) + "|" +
             std::to_string(colour) + "|" + std::to_string(top) + "|" + std::to_string(bottom) + "|" +
             std::to_string(conversion) + "\n";
        for (int32_t b = 0; b < blocks; ++b) {
            ComPtr<IEnumFloatEx> stream;
            doc.CreateSampleStream(c, b, 0, INT64_MAX, stream.Put());
            for (float v : ReadAll(stream.Get())) s += std::to_string(v) + " ";
            s += "\n";
        }
    }
    return s;
}

TEST(Recording, NewChannelsHaveDefaultsAndBadIndicesAreRefused)
{
    ComPtr<Document> doc = Document::Create();
    int32_t index = -1;
    EXPECT_EQ(doc->AddChannel(KVI::String(u"a").Interface(), &index), S_OK);
    EXPECT_EQ(index, 0);
    ComPtr<IUnitName> unit;
    ASSERT_EQ(doc->GetChannelUnit(0, unit.Put()), S_OK);
    KVI::UnitInfo info;
    Zor::UnitInfoOf(unit.Get(), &info);
    EXPECT_TRUE(info.name_.IsEmpty());
    double top = 0, bottom = 0;
    doc->GetDisplayRange(0, &top, &bottom);
    EXPECT_EQ(top, 10.0);
    EXPECT_EQ(bottom, -10.0);
    int32_t modified = 0;
    doc->IsModified(&modified);
    EXPECT_EQ(modified, 1);

    int64_t count = 0;
    float sample = 1.0f;
    ComPtr<IEnumFloatEx> stream;
    EXPECT_EQ(doc->GetSampleCount(0, 0, &count), E_INVALIDARG);  // no block yet
    EXPECT_EQ(doc->AppendSamples(1, 0, &sample, 1), E_INVALIDARG);
    EXPECT_EQ(doc->SetDisplayRange(0, std::numeric_limits<double>::quiet_NaN(), 0), E_INVALIDARG);
    doc->AddBlock(nullptr);
    EXPECT_EQ(doc->CreateSampleStream(0, 0, 5, 4, stream.Put()), E_INVALIDARG);
    EXPECT_EQ(doc->CreateSampleStream(0, 0, -1, 4, stream.Put()), E_INVALIDARG);
    EXPECT_EQ(doc->CreateSampleStream(-1, 0, 0, 4, stream.Put()), E_INVALIDARG);
    ComPtr<IChannelCalculations> calcs;
    ASSERT_EQ(doc->QueryInterface(IID_IChannelCalculations, calcs.PutVoid()), S_OK);
    int32_t source = 5;
    EXPECT_EQ(calcs->GetSourceChannel(0, &source), S_FALSE);
    EXPECT_EQ(source, -1);
    EXPECT_EQ(calcs->ApplySettings(0, nullptr), E_FAIL);
    EXPECT_EQ(calcs->RemoveCalculation(0), S_FALSE);
}

TEST(Recording, SampleIntervalsAreKeptPerBlockWithinTheirRange)
{
    ComPtr<Document> doc = Document::Create();
    doc->AddBlock(nullptr);
    doc->AddBlock(nullptr);
    doc->SetModified(0);
    double seconds = -1;
    EXPECT_EQ(doc->GetSampleInterval(0, &seconds), S_FALSE) << "a new block has none";
    EXPECT_EQ(seconds, 0.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        int32_t block;
        double seconds;
        HRESULT hr;
    };
    const std::vector<Case> cases = {
        {0, 1e-3, S_OK},         {1, kMinSampleInterval, S_OK}, {1, kMaxSampleInterval, S_OK},
        {1, 0.0, S_OK},          {1, -0.0, S_OK},               {0, kMinSampleInterval / 2, E_INVALIDARG},
        {0, kMaxSampleInterval * 2, E_INVALIDARG}, {0, -1e-3, E_INVALIDARG}, {0, nan, E_INVALIDARG},
        {0, inf, E_INVALIDARG},  {2, 1.0, E_INVALIDARG},        {-1, 1.0, E_INVALIDARG},
    };
    for (const Case& c : cases) EXPECT_EQ(doc->SetSampleInterval(c.block, c.seconds), c.hr) << c.seconds;
    // Refusals changed nothing: block 0 keeps 1 ms, block 1 none (its last good value).
    EXPECT_EQ(doc->GetSampleInterval(0, &seconds), S_OK);
    EXPECT_EQ(seconds, 1e-3);
    EXPECT_EQ(doc->GetSampleInterval(1, &seconds), S_FALSE);
    EXPECT_FALSE(std::signbit(seconds));
    int32_t modified = 0;
    doc->IsModified(&modified);
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(doc->GetSampleInterval(2, &seconds), E_INVALIDARG);
    EXPECT_EQ(doc->GetSampleInterval(0, nullptr), E_POINTER);
}

TEST(SampleStream, ReadsSkipsAndClonesWithinItsRange)
{
    ComPtr<Document> doc = MakeDocument();
    ComPtr<IEnumFloatEx> s;
    ASSERT_EQ(doc->CreateSampleStream(0, 0, 10, 20, s.Put()), S_OK);
    int64_t position = -1;
    s->GetPosition(&position);
    EXPECT_EQ(position, 10);
    float buffer[4] = {};
    uint32_t got = 0;
    EXPECT_EQ(s->Next(4, buffer, &got), S_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(buffer[0], 5.0f);
    EXPECT_EQ(buffer[3], 6.5f);
    ComPtr<IEnumFloatEx> copy;
    ASSERT_EQ(s->Clone(copy.Put()), S_OK);
    EXPECT_EQ(s->Skip(3), S_OK);
    EXPECT_EQ(s->Skip(100), S_FALSE);  // stops at the end
    s->GetPosition(&position);
    EXPECT_EQ(position, 20);
    EXPECT_EQ(s->Next(4, buffer, &got), S_FALSE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(s->Skip(-100), S_FALSE);  // stops at the start
    s->GetPosition(&position);
    EXPECT_EQ(position, 10);
    EXPECT_EQ(s->Skip(INT64_MIN), S_FALSE);
    EXPECT_EQ(s->Skip(INT64_MAX), S_FALSE);
    s->Reset();
    EXPECT_EQ(ReadAll(s.Get()).size(), 10u);
    // The clone went on from where it was made.
    EXPECT_EQ(ReadAll(copy.Get()), (std::vector<float>{7.0f, 7.5f, 8.0f, 8.5f, 9.0f, 9.5f}));
    // An end past the samples is cut; a channel without samples in a block gives none.
    ComPtr<IEnumFloatEx> all, none;
    ASSERT_EQ(doc->CreateSampleStream(0, 1, 25, 1000, all.Put()), S_OK);
    EXPECT_EQ(ReadAll(all.Get()).size(), 5u);
    ASSERT_EQ(doc->CreateSampleStream(1, 1, 0, 10, none.Put()), S_OK);
    EXPECT_EQ(s->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_TRUE(ReadAll(none.Get()).empty());
}

TEST(SampleStream, KeepsItsSamplesWhileTheBlockGrows)
{
    ComPtr<Document> doc = MakeDocument();
    ComPtr<IEnumFloatEx> s;
    ASSERT_EQ(doc->CreateSampleStream(1, 0, 0, 100, s.Put()), S_OK);
    const std::vector<float> more(1000, 9.0f);
    ASSERT_EQ(doc->AppendSamples(1, 0, more.data(), static_cast<uint32_t>(more.size())), S_OK);
    EXPECT_EQ(ReadAll(s.Get()), Ramp(5, 2.0f));
    int64_t count = 0;
    doc->GetSampleCount(1, 0, &count);
    EXPECT_EQ(count, 1005);
}

class DocumentFiles : public ::testing::Test {
protected:
    std::u16string Path(const std::string& name) const { return Wide(dir_.File(name)); }
    ZorTest::TempDir dir_;
};

TEST_F(DocumentFiles, SavedAndLoadedGivesTheSameDocument)
{
    ComPtr<Document> doc = MakeDocument();
    IAutoKVIString* error = nullptr;
    ASSERT_EQ(doc->Save(Path("a.vdoc").c_str(), &error), S_OK) << Text(error);
    int32_t modified = 1;
    doc->IsModified(&modified);
    EXPECT_EQ(modified, 0);

    ComPtr<Document> loaded = Document::Create();
    loaded->AddChannel(nullptr, nullptr);  // replaced by the load
    ASSERT_EQ(loaded->Load(Path("a.vdoc").c_str(), &error), S_OK) << Text(error);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(Fingerprint(*loaded.Get()), Fingerprint(*doc.Get()));
    loaded->IsModified(&modified);
    EXPECT_EQ(modified, 0);
    // Nothing but the document is left in the folder.
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.Path())) ++files;
    EXPECT_EQ(files, 1u);
}

// A save that cannot finish (here: the file-size limit stops the write) reports it, leaves the
// previous document as it was, and leaves no temporary file behind.
TEST_F(DocumentFiles, AFailedSaveKeepsThePreviousDocument)
{
    ComPtr<Document> doc = MakeDocument();
    const std::u16string path = Path("keep.vdoc");
    ASSERT_EQ(doc->Save(path.c_str(), nullptr), S_OK);
    const std::string before = ZorTest::ReadFile(dir_.File("keep.vdoc"));
    const std::vector<float> many(1 << 20, 1.0f);
    doc->AppendSamples(1, 1, many.data(), static_cast<uint32_t>(many.size()));

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    IAutoKVIString* error = nullptr;
    const HRESULT hr = doc->Save(path.c_str(), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(hr, E_FAIL);
    EXPECT_NE(Text(error).find("keep.vdoc"), std::string::npos);
    EXPECT_EQ(ZorTest::ReadFile(dir_.File("keep.vdoc")), before);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.Path())) ++files;
    EXPECT_EQ(files, 1u);
    int32_t modified = 0;
    doc->IsModified(&modified);
    EXPECT_EQ(modified, 1);
}

// Writes a document stream by hand: the header values, then whatever the case adds.
std::string Handmade(const std::function<void(Zor::ObjectOutStream&)>& body)
{
    ComPtr<Zor::ObjectOutStream> out = Zor::ObjectOutStream::CreateInMemory();
    body(*out.Get());
    return std::string(out->Bytes().begin(), out->Bytes().end());
}

void Header(Zor::ObjectOutStream& out, uint32_t version = 1)
{
    out.WriteText(u"velogram document");
    out.WriteUInt32(version);
}

void OneChannel(Zor::ObjectOutStream& out)
{
    out.WriteUInt32(1);
    out.WriteText(u"x");
    out.WriteUInt32(8);
    out.WriteText(u"V");
    out.WriteUInt32(0);
    out.WriteUInt32(0xFF0000);
    out.WriteDouble(1.0);
    out.WriteDouble(-1.0);
    out.WriteUInt32(0);
}

// The document MakeDocument gives, as the first version of the program saved it (version 1,
// before blocks had sample intervals).
std::string FirstVersionDocument() { return ZorTest::ReadFile(TESSAR_SOURCE_DIR "/tests/host/data/document_v1.vdoc"); }

// The document version stored after the signature: the string's kind byte, count and units.
uint32_t StoredVersion(const std::string& bytes)
{
    const size_t at = Zor::kStreamHeaderSize + 1 + 4 + 2 * std::u16string_view(u"velogram document").size() + 1;
    uint32_t version = 0;
    for (int i = 3; i >= 0; --i) version = (version << 8) | uint8_t(bytes.at(at + size_t(i)));
    return version;
}

TEST_F(DocumentFiles, ADocumentOfTheFirstVersionLoadsUnchangedAndSavesByteForByte)
{
    const std::string first = FirstVersionDocument();
    ASSERT_EQ(StoredVersion(first), 1u);
    ZorTest::WriteFile(dir_.File("first.vdoc"), first);
    ComPtr<Document> loaded = Document::Create();
    IAutoKVIString* error = nullptr;
    ASSERT_EQ(loaded->Load(Path("first.vdoc").c_str(), &error), S_OK) << Text(error);
    EXPECT_EQ(Fingerprint(*loaded.Get()), Fingerprint(*MakeDocument().Get()));
    double seconds = 1;
    EXPECT_EQ(loaded->GetSampleInterval(0, &seconds), S_FALSE);
    EXPECT_EQ(loaded->GetSampleInterval(1, &seconds), S_FALSE);

    // Saved again, and the same recording saved afresh: a document without sample intervals
    // is the first version's bytes, so that program reads it still.
    ASSERT_EQ(loaded->Save(Path("again.vdoc").c_str(), nullptr), S_OK);
    EXPECT_EQ(ZorTest::ReadFile(dir_.File("again.vdoc")), first);
    ASSERT_EQ(MakeDocument()->Save(Path("fresh.vdoc").c_str(), nullptr), S_OK);
    EXPECT_EQ(ZorTest::ReadFile(dir_.File("fresh.vdoc")), first);
}

TEST_F(DocumentFiles, SampleIntervalsRoundTripInTheSecondVersion)
{
    ComPtr<Document> doc = MakeDocument();
    ASSERT_EQ(doc->SetSampleInterval(1, 1.0 / 3.0), S_OK);
    ASSERT_EQ(doc->Save(Path("timed.vdoc").c_str(), nullptr), S_OK);
    const std::string timed = ZorTest::ReadFile(dir_.File("timed.vdoc"));
    EXPECT_EQ(StoredVersion(timed), 2u);

    ComPtr<Document> loaded = Document::Create();
    IAutoKVIString* error = nullptr;
    ASSERT_EQ(loaded->Load(Path("timed.vdoc").c_str(), &error), S_OK) << Text(error);
    EXPECT_EQ(Fingerprint(*loaded.Get()), Fingerprint(*doc.Get()));
    double seconds = 0;
    EXPECT_EQ(loaded->GetSampleInterval(0, &seconds), S_FALSE);
    EXPECT_EQ(loaded->GetSampleInterval(1, &seconds), S_OK);
    EXPECT_EQ(seconds, 1.0 / 3.0) << "every bit of the double";
    ASSERT_EQ(loaded->Save(Path("timed_again.vdoc").c_str(), nullptr), S_OK);
    EXPECT_EQ(ZorTest::ReadFile(dir_.File("timed_again.vdoc")), timed);

    // Without its interval the document is the first version's again.
    ASSERT_EQ(loaded->SetSampleInterval(1, 0), S_OK);
    ASSERT_EQ(loaded->Save(Path("untimed.vdoc").c_str(), nullptr), S_OK);
    EXPECT_EQ(ZorTest::ReadFile(dir_.File("untimed.vdoc")), FirstVersionDocument());
}

TEST_F(DocumentFiles, BadFilesAreReportedAndChangeNothing)
{
    ComPtr<Document> good = MakeDocument();
    ASSERT_EQ(good->Save(Path("good.vdoc").c_str(), nullptr), S_OK);
    const std::string valid = ZorTest::ReadFile(dir_.File("good.vdoc"));

    struct Case {
        const char* name;
        std::string bytes;
        const char* error;
        HRESULT hr = E_FAIL;
    };
    std::vector<Case> cases = {
        {"empty file", "", "no header"},
        {"text file", "name (V)\n1.0\n", "no header"},
        {"truncated in a sample block", valid.substr(0, valid.size() / 2), "does not fit in the"},
        {"truncated at the end", valid.substr(0, valid.size() - 1), "the data ends early"},
        {"trailing data", valid + std::string("\x01\x00\x00\x00\x00", 5), "after the end of the document"},
        {"another stream", Handmade([](auto& o) { o.WriteText(u"something else"); }), "not a document"},
        {"newer document", Handmade([](auto& o) { Header(o, 3); }), "document version 3"},
        {"a sample interval out of range", Handmade([](auto& o) {
             Header(o, 2); OneChannel(o); o.WriteUInt32(1); o.WriteDouble(-1e-3); o.WriteFloatArray(nullptr, 0);
         }),
         "block 1 has a sample interval out of range"},
        {"a sample interval that is no number", Handmade([](auto& o) {
             Header(o, 2); OneChannel(o); o.WriteUInt32(1); o.WriteDouble(std::nan("")); o.WriteFloatArray(nullptr, 0);
         }),
         "block 1 has a sample interval out of range"},
        {"the second version without its intervals", Handmade([](auto& o) {
             Header(o, 2); OneChannel(o); o.WriteUInt32(1); o.WriteFloatArray(nullptr, 0);
             o.WriteUInt32(0); o.WriteUInt32(o.Checksum());
         }),
         "expected a double"},
        {"absurd channel count", Handmade([](auto& o) { Header(o); o.WriteUInt32(0xFFFFFFF0u); }),
         "4294967280 channels cannot be right"},
        {"absurd block count",
         Handmade([](auto& o) { Header(o); OneChannel(o); o.WriteUInt32(1000000); o.WriteFloatArray(nullptr, 0); }),
         "1000000 blocks cannot be right"},
        {"absurd sample count", Handmade([](auto& o) {
             Header(o); OneChannel(o); o.WriteUInt32(1);
             o.WriteUInt32(0);  // where the float array belongs
         }),
         "expected an array of floats, found a 32-bit integer"},
        {"bad prefix", Handmade([](auto& o) {
             Header(o); o.WriteUInt32(1); o.WriteText(u"x"); o.WriteUInt32(99); o.WriteText(u"V");
             o.WriteUInt32(0); o.WriteUInt32(0); o.WriteDouble(1); o.WriteDouble(0); o.WriteUInt32(0);
             o.WriteUInt32(0); o.WriteUInt32(0);
         }),
         "out of range"},
        {"calculation on a missing channel", Handmade([](auto& o) {
             Header(o); OneChannel(o); o.WriteUInt32(0); o.WriteUInt32(1);
             o.WriteUInt32(3);
             for (int i = 0; i < 5; ++i) o.WriteUInt32(0);
             o.WriteText(u"Tessar"); o.WriteUInt32(0);
             for (int i = 0; i < 5; ++i) o.WriteUInt32(0);
             o.WriteBlob({});
         }),
         "names channel 4"},
        {"calculation without its module", Handmade([](auto& o) {
             Header(o); OneChannel(o); o.WriteUInt32(0); o.WriteUInt32(1);
             o.WriteUInt32(0);
             for (uint32_t w : {0x11111111u, 0u, 0u, 0u, 0u}) o.WriteUInt32(w);
             o.WriteText(u"Tessar"); o.WriteUInt32(0);
             for (uint32_t w : {0x11111111u, 0u, 0u, 0u, 1u}) o.WriteUInt32(w);
             o.WriteBlob({});
             o.WriteUInt32(o.Checksum());
         }),
         "channel 1 (Tessar): the calculation is not available", CLASS_E_CLASSNOTAVAILABLE},
    };
    // A changed sample: the structure holds, the checksum does not.
    std::string flipped = valid;
    flipped[valid.size() / 3] ^= 0x10;
    cases.push_back({"damaged sample", flipped, "checksum does not match"});

    ComPtr<Document> doc = MakeDocument();
    const std::string before = Fingerprint(*doc.Get());
    for (const Case& c : cases) {
        ZorTest::WriteFile(dir_.File("bad.vdoc"), c.bytes);
        IAutoKVIString* error = nullptr;
        EXPECT_EQ(doc->Load(Path("bad.vdoc").c_str(), &error), c.hr) << c.name;
        const std::string text = Text(error);
        EXPECT_NE(text.find(c.error), std::string::npos) << c.name << ": " << text;
        EXPECT_NE(text.find("bad.vdoc"), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(Fingerprint(*doc.Get()), before) << c.name;
    }
    IAutoKVIString* error = nullptr;
    EXPECT_EQ(doc->Load(Path("missing.vdoc").c_str(), &error), E_FAIL);
    EXPECT_NE(Text(error).find("cannot open"), std::string::npos);
    EXPECT_EQ(doc->Load(nullptr, nullptr), E_INVALIDARG);
}

// Every cut of a small document fails to load and leaves the document as it was.
TEST_F(DocumentFiles, EveryTruncationIsRefused)
{
    ComPtr<Document> small = Document::Create();
    small->AddChannel(KVI::String(u"c").Interface(), nullptr);
    small->AddBlock(nullptr);
    const float samples[3] = {1, 2, 3};
    small->AppendSamples(0, 0, samples, 3);
    ASSERT_EQ(small->Save(Path("small.vdoc").c_str(), nullptr), S_OK);
    const std::string valid = ZorTest::ReadFile(dir_.File("small.vdoc"));
    ComPtr<Document> doc = MakeDocument();
    const std::string before = Fingerprint(*doc.Get());
    for (size_t length = 0; length < valid.size(); ++length) {
        ZorTest::WriteFile(dir_.File("cut.vdoc"), valid.substr(0, length));
        ASSERT_EQ(doc->Load(Path("cut.vdoc").c_str(), nullptr), E_FAIL) << length;
    }
    EXPECT_EQ(Fingerprint(*doc.Get()), before);
}

}  // namespace

namespace {

// Growing a block by small appends keeps few chunks, never rewrites what a view holds, and
// reads back whole across chunk boundaries.
TEST(SampleBlock, GrowsInFewChunksAndLeavesViewsAlone)
{
    Zor::SampleBlock block;
    std::vector<float> expected;
    std::vector<Zor::SampleView> views;
    for (int i = 0; i < 3000; ++i) {
        const float piece[3] = {float(3 * i), float(3 * i + 1), float(3 * i + 2)};
        ASSERT_EQ(block.Append(piece, 3), S_OK);
        expected.insert(expected.end(), piece, piece + 3);
        if (i % 1000 == 999) views.push_back(block.View());
    }
    EXPECT_EQ(block.Size(), 9000);
    const Zor::SampleView all = block.View();
    EXPECT_LE(all.Pieces().size(), 20u);
    std::vector<float> read(9000);
    all.Copy(0, read.size(), read.data());
    EXPECT_EQ(read, expected);
    std::vector<float> middle(5000);
    all.Copy(2000, middle.size(), middle.data());
    EXPECT_EQ(middle, std::vector<float>(expected.begin() + 2000, expected.begin() + 7000));
    // The views taken on the way still show what they showed.
    for (size_t v = 0; v < views.size(); ++v) {
        const auto size = static_cast<size_t>(views[v].Size());
        EXPECT_EQ(size, 3000 * (v + 1));
        std::vector<float> seen(size);
        views[v].Copy(0, size, seen.data());
        EXPECT_EQ(seen, std::vector<float>(expected.begin(), expected.begin() + static_cast<long>(size)));
    }
}

}  // namespace
