// The road of a calibration through the framework and the built module, as the application
// drives it: fitted settings applied to a calculated channel of a document, calibrated samples
// read through the module's enumerators, the document saved and loaded again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "interfaces/unit_list.h"
#include "platform/code_page.h"
#include "tests/e2e/module_host.h"
#include "tests/host/temp_dir.h"
#include "tests/support/memory_object_stream.h"

namespace {

using platform::ComPtr;
using ZorTest::Host;

const std::vector<float> kRaw = {0.0f, 0.25f, 0.5f, 1.0f, 2.0f};

struct Recording {
    ComPtr<IZorDocument> doc;
    ComPtr<IRecording> recording;
    ComPtr<IChannelCalculations> calcs;
};

// Channel 0: raw volts in one block; channel 1: empty, to be calculated from channel 0.
Recording MakeRecording()
{
    Recording r;
    EXPECT_EQ(Host()->framework->CreateDocument(r.doc.Put()), S_OK);
    r.doc.As(IID_IRecording, r.recording);
    r.doc.As(IID_IChannelCalculations, r.calcs);
    r.recording->AddChannel(KVI::String(u"Transducer").Interface(), nullptr);
    r.recording->AddChannel(KVI::String(u"Pressure").Interface(), nullptr);
    r.recording->AddBlock(nullptr);
    r.recording->AppendSamples(0, 0, kRaw.data(), static_cast<uint32_t>(kRaw.size()));
    return r;
}

std::vector<float> Calibrated(IRecording* recording, int32_t channel = 1)
{
    ComPtr<IEnumFloatEx> stream;
    EXPECT_EQ(recording->CreateSampleStream(channel, 0, 0, 1000, stream.Put()), S_OK);
    return stream ? ZorTest::ReadAll(stream.Get(), 2) : std::vector<float>();
}

std::vector<uint32_t> Bits(const std::vector<float>& samples)
{
    std::vector<uint32_t> bits(samples.size());
    if (!samples.empty()) std::memcpy(bits.data(), samples.data(), samples.size() * sizeof(float));
    return bits;
}

// The stored form of a settings object, value by value.
std::vector<TestSupport::StoredValue> Stored(IPersistObject* settings)
{
    TestSupport::MemoryObjectStream out;
    EXPECT_EQ(settings->Save(out.Out()), S_OK);
    return out.Values();
}

struct RoadCase {
    const char* name;
    int32_t kind;
    std::vector<std::u16string> raw, cal;
    double tolerance;
};

// (0 V, 0 mmHg) and (1 V, 100 mmHg), with points on the same line where a kind needs more, or
// points of the kind's own curve through (0.5 V, 50 mmHg) for the logarithm and the exponential.
const std::vector<RoadCase>& RoadCases()
{
    static const std::vector<RoadCase> cases = {
        {"linear", 0, {u"0", u"1"}, {u"0", u"100"}, 1e-4},
        {"quadratic", 1, {u"0", u"0.5 V", u"1"}, {u"0", u"50", u"100"}, 1e-3},
        {"cubic", 2, {u"0", u"0.2", u"0.6", u"1"}, {u"0", u"20", u"60", u"100"}, 1e-3},
        {"quartic", 3, {u"0", u"0.2", u"0.4", u"0.7", u"1"}, {u"0", u"20", u"40", u"70", u"100"}, 1e-3},
        {"quintic", 4, {u"0", u"0.2", u"0.4", u"0.6", u"0.8", u"1"}, {u"0", u"20", u"40", u"60", u"80", u"100"},
         1e-3},
        // y = 50 + 100 ln(2x)
        {"logarithmic", 5, {u"0.25", u"0.5", u"1", u"2"}, {u"-19.3147", u"50", u"119.315", u"188.629"}, 1e-2},
        // y = 50 e^(2 (x - 0.5))
        {"exponential", 6, {u"0", u"0.5", u"1"}, {u"18.3940", u"50", u"135.914"}, 1e-2},
        {"point to point", 7, {u"0", u"1000 mV"}, {u"0", u"100"}, 1e-4},
    };
    return cases;
}

TEST(CalibratedChannel, RawHalfAVoltBecomesFiftyForEveryFitKind)
{
    ASSERT_NE(Host(), nullptr);
    for (const RoadCase& c : RoadCases()) {
        Recording r = MakeRecording();
        ComPtr<IPersistObject> settings = ZorTest::Fit(c.raw, c.cal, u"mmHg", c.kind, 0);
        ASSERT_TRUE(settings) << c.name;
        ASSERT_EQ(r.calcs->SetCalculation(1, Host()->calcClass.Get(), 0), S_OK) << c.name;
        ASSERT_EQ(r.calcs->ApplySettings(1, settings.Get()), S_OK) << c.name;
        // The same settings again change nothing.
        EXPECT_EQ(r.calcs->ApplySettings(1, settings.Get()), S_FALSE) << c.name;

        int32_t source = -1;
        EXPECT_EQ(r.calcs->GetSourceChannel(1, &source), S_OK);
        EXPECT_EQ(source, 0) << c.name;
        ComPtr<IUnitName> unit;
        ASSERT_EQ(r.recording->GetChannelUnit(1, unit.Put()), S_OK);
        IAutoKVIString* name = nullptr;
        unit->GetText(1, &name);
        EXPECT_EQ(ZorTest::Utf8(name), "mmHg") << c.name;
        int64_t count = 0;
        r.recording->GetSampleCount(1, 0, &count);
        EXPECT_EQ(count, static_cast<int64_t>(kRaw.size()));

        const std::vector<float> samples = Calibrated(r.recording.Get());
        ASSERT_EQ(samples.size(), kRaw.size()) << c.name;
        EXPECT_NEAR(samples[2], 50.0, c.tolerance) << c.name;
        if (c.kind <= 4 || c.kind == 7) {
            EXPECT_NEAR(samples[0], 0.0, c.tolerance) << c.name;
            EXPECT_NEAR(samples[3], 100.0, c.tolerance) << c.name;
        }
        // The raw channel is untouched.
        EXPECT_EQ(Calibrated(r.recording.Get(), 0), kRaw) << c.name;

        // The calculation told its base object its source and its text form.
        ComPtr<ICalculation> calc;
        ASSERT_EQ(r.calcs->GetCalculation(1, calc.Put()), S_OK);
        CalcSourceRecord src{};
        int32_t sources = 0;
        double scale = 0, offset = 0;
        EXPECT_EQ(calc->GetSources(1, &src, &sources, &scale, &offset), S_OK);
        EXPECT_EQ(sources, 1);
        EXPECT_EQ(src.flags, 0xC0005000u) << "another channel's source";
        IAutoKVIString* text = nullptr;
        calc->GetSettingsText(&text);
        EXPECT_EQ(ZorTest::Utf8(text).rfind(std::to_string(c.kind) + "\t0\tmmHg\t", 0), 0u) << c.name;
    }
}

// A calculation of a channel on its own samples (the source is the channel itself).
TEST(CalibratedChannel, ACalculationOnItsOwnChannelReadsItsOwnSamples)
{
    ASSERT_NE(Host(), nullptr);
    Recording r = MakeRecording();
    ComPtr<IPersistObject> settings = ZorTest::Fit({u"0", u"1"}, {u"0", u"100"}, u"mmHg", 0, 0);
    ASSERT_EQ(r.calcs->SetCalculation(0, Host()->calcClass.Get(), 0), S_OK);
    ASSERT_EQ(r.calcs->ApplySettings(0, settings.Get()), S_OK);
    ComPtr<ICalculation> calc;
    r.calcs->GetCalculation(0, calc.Put());
    CalcSourceRecord src{};
    int32_t sources = 0;
    double scale = 0, offset = 0;
    calc->GetSources(1, &src, &sources, &scale, &offset);
    EXPECT_EQ(src.flags, 0x80005001u);
    EXPECT_NEAR(Calibrated(r.recording.Get(), 0)[2], 50.0, 1e-4);
    // Removing the calculation shows the raw samples again.
    EXPECT_EQ(r.calcs->RemoveCalculation(0), S_OK);
    EXPECT_EQ(Calibrated(r.recording.Get(), 0), kRaw);
}

class DocumentRoundTrip : public ::testing::Test {
protected:
    std::u16string Path(const std::string& name) const { return platform::Utf8ToUtf16(dir_.File(name)); }
    ZorTest::TempDir dir_;
};

// A document a user already has (written before records kept dates and policies) loads and
// saves back byte for byte, its settings still version 2.
TEST_F(DocumentRoundTrip, AVersionTwoDocumentSavesBackByteForByte)
{
    ASSERT_NE(Host(), nullptr);
    const std::string fixture = std::string(TESSAR_TEST_DATA) + "/v2_document.vdoc";
    Recording loaded;
    Host()->framework->CreateDocument(loaded.doc.Put());
    loaded.doc.As(IID_IRecording, loaded.recording);
    loaded.doc.As(IID_IChannelCalculations, loaded.calcs);
    IAutoKVIString* error = nullptr;
    ASSERT_EQ(loaded.doc->Load(platform::Utf8ToUtf16(fixture).c_str(), &error), S_OK) << ZorTest::Utf8(error);
    ASSERT_EQ(loaded.doc->Save(Path("again.vdoc").c_str(), &error), S_OK) << ZorTest::Utf8(error);
    const std::string before = ZorTest::ReadFile(fixture);
    EXPECT_EQ(ZorTest::ReadFile(dir_.File("again.vdoc")), before);
    const size_t nested = before.find("KVOS", 8);
    ASSERT_NE(nested, std::string::npos);
    EXPECT_EQ(before.substr(nested + 8, 5), std::string("\x01\x02\x00\x00\x00", 5));
}

TEST_F(DocumentRoundTrip, SavedAndLoadedGivesEqualSettingsAndTheSameSamples)
{
    ASSERT_NE(Host(), nullptr);
    for (const RoadCase& c : RoadCases()) {
        Recording r = MakeRecording();
        ComPtr<IPersistObject> settings = ZorTest::Fit(c.raw, c.cal, u"degrees C", c.kind, 0);
        r.calcs->SetCalculation(1, Host()->calcClass.Get(), 0);
        ASSERT_EQ(r.calcs->ApplySettings(1, settings.Get()), S_OK) << c.name;
        IAutoKVIString* error = nullptr;
        ASSERT_EQ(r.doc->Save(Path("road.vdoc").c_str(), &error), S_OK) << ZorTest::Utf8(error);

        Recording loaded;
        Host()->framework->CreateDocument(loaded.doc.Put());
        loaded.doc.As(IID_IRecording, loaded.recording);
        loaded.doc.As(IID_IChannelCalculations, loaded.calcs);
        ASSERT_EQ(loaded.doc->Load(Path("road.vdoc").c_str(), &error), S_OK) << ZorTest::Utf8(error);

        ComPtr<IPersistObject> before, after;
        ASSERT_EQ(r.calcs->GetSettings(1, before.Put()), S_OK);
        ASSERT_EQ(loaded.calcs->GetSettings(1, after.Put()), S_OK);
        EXPECT_EQ(Stored(after.Get()), Stored(before.Get())) << c.name;
        // The samples come from the stored text form, as before the save (bit for bit: the
        // logarithm's NaN for raw 0 included).
        EXPECT_EQ(Bits(Calibrated(loaded.recording.Get())), Bits(Calibrated(r.recording.Get()))) << c.name;
        // A unit name with a space survives, in the channel's unit and in the unit list's file.
        ComPtr<IUnitName> unit;
        loaded.recording->GetChannelUnit(1, unit.Put());
        IAutoKVIString* name = nullptr;
        unit->GetText(0, &name);
        EXPECT_EQ(ZorTest::Utf8(name), "degrees C") << c.name;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    const std::string units = ZorTest::ReadFile(std::string(config) + "/velogram/units.txt");
    EXPECT_NE(units.find("\t0\tdegrees C\n"), std::string::npos) << units;
}

// The CRC-32 of a run of bytes, to mend a document's checksum after a deliberate change.
uint32_t Crc32(const std::string& bytes)
{
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

TEST_F(DocumentRoundTrip, SettingsOfANewerVersionAreRefusedAndChangeNothing)
{
    ASSERT_NE(Host(), nullptr);
    Recording r = MakeRecording();
    r.calcs->SetCalculation(1, Host()->calcClass.Get(), 0);
    r.calcs->ApplySettings(1, ZorTest::Fit({u"0", u"1"}, {u"0", u"100"}, u"mmHg", 0, 0).Get());
    ASSERT_EQ(r.doc->Save(Path("v2.vdoc").c_str(), nullptr), S_OK);
    std::string bytes = ZorTest::ReadFile(dir_.File("v2.vdoc"));
    // The settings' nested stream: its header, then their version as the first value.
    const size_t nested = bytes.find("KVOS", 8);
    ASSERT_NE(nested, std::string::npos);
    ASSERT_EQ(bytes.substr(nested + 8, 5), std::string("\x01\x02\x00\x00\x00", 5));
    bytes[nested + 9] = 4;  // version 3 is read since records keep dates; 4 is newer
    const uint32_t crc = Crc32(bytes.substr(0, bytes.size() - 5));
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + static_cast<size_t>(i)] = static_cast<char>(crc >> (8 * i));
    ZorTest::WriteFile(dir_.File("v4.vdoc"), bytes);

    Recording other = MakeRecording();
    IAutoKVIString* error = nullptr;
    EXPECT_EQ(other.doc->Load(Path("v4.vdoc").c_str(), &error), static_cast<HRESULT>(0xA0048205u));
    const std::string text = ZorTest::Utf8(error);
    EXPECT_NE(text.find("channel 2 (Tessar)"), std::string::npos) << text;
    EXPECT_NE(text.find("stored by a newer version"), std::string::npos) << text;
    EXPECT_NE(text.find("0xA0048205"), std::string::npos) << text;
    ComPtr<ICalculation> none;
    EXPECT_EQ(other.calcs->GetCalculation(1, none.Put()), S_FALSE);
    EXPECT_EQ(Calibrated(other.recording.Get(), 0), kRaw);
}

TEST_F(DocumentRoundTrip, EveryTruncationOfADocumentWithACalculationIsRefused)
{
    ASSERT_NE(Host(), nullptr);
    Recording r = MakeRecording();
    r.calcs->SetCalculation(1, Host()->calcClass.Get(), 0);
    r.calcs->ApplySettings(1, ZorTest::Fit({u"0", u"1"}, {u"0", u"100"}, u"mmHg", 0, 0).Get());
    ASSERT_EQ(r.doc->Save(Path("whole.vdoc").c_str(), nullptr), S_OK);
    const std::string whole = ZorTest::ReadFile(dir_.File("whole.vdoc"));
    const std::vector<float> before = Calibrated(r.recording.Get());
    for (size_t length = 0; length < whole.size(); ++length) {
        ZorTest::WriteFile(dir_.File("cut.vdoc"), whole.substr(0, length));
        IAutoKVIString* error = nullptr;
        ASSERT_EQ(r.doc->Load(Path("cut.vdoc").c_str(), &error), E_FAIL) << length;
        ASSERT_FALSE(ZorTest::Utf8(error).empty()) << length;
    }
    EXPECT_EQ(Calibrated(r.recording.Get()), before);
}

TEST(ModuleLoading, LibrariesThatAreNoModulesAreSkippedAndReported)
{
    ASSERT_NE(Host(), nullptr);
    ZorTest::TempDir dir;
    // The module again under another name (the same library: registered once), a file that
    // is no library, and a file that is not named like a module.
    std::filesystem::create_symlink(TESSAR_MODULE_PATH, dir.Path() / "libcalibration.so");
    ZorTest::WriteFile(dir.File("libbroken.so"), "not a library");
    ZorTest::WriteFile(dir.File("notes.txt"), "");
    int32_t loaded = -1;
    IAutoKVIString* report = nullptr;
    EXPECT_EQ(Host()->framework->LoadModules(platform::Utf8ToUtf16(dir.Path().string()).c_str(), &loaded, &report),
              S_FALSE);
    EXPECT_EQ(loaded, 0);
    const std::string text = ZorTest::Utf8(report);
    EXPECT_NE(text.find("libbroken.so: cannot be loaded"), std::string::npos) << text;
    EXPECT_EQ(text.find("libcalibration.so"), std::string::npos) << text;
    EXPECT_EQ(text.find("notes.txt"), std::string::npos) << text;
    int32_t calcClasses = 0;
    Host()->framework->GetClassCount(KIND_CalculationClass, &calcClasses);
    EXPECT_EQ(calcClasses, 1);
    EXPECT_EQ(Host()->framework->LoadModules(u"/no/such/folder", &loaded, nullptr), E_FAIL);
}

}  // namespace
