// The framework's object streams: what is written comes back, value by value and kind by kind;
// anything else (another kind, truncation, absurd counts, damaged headers) fails the stream
// cleanly, with zeroed results and a description.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "foundation/kvi_string.h"
#include "host/zor/crc32.h"
#include "host/zor/object_in_stream.h"
#include "host/zor/object_out_stream.h"
#include "tests/host/temp_dir.h"

namespace {

using platform::ComPtr;
using Zor::ObjectInStream;
using Zor::ObjectOutStream;

using Value = std::variant<uint32_t, float, double, std::u16string, std::vector<float>>;

void Write(ObjectOutStream& out, const Value& v)
{
    if (auto* u = std::get_if<uint32_t>(&v)) out.WriteUInt32(*u);
    if (auto* f = std::get_if<float>(&v)) out.WriteFloat(*f);
    if (auto* d = std::get_if<double>(&v)) out.WriteDouble(*d);
    if (auto* s = std::get_if<std::u16string>(&v)) out.WriteString(KVI::String(std::u16string_view(*s)).Interface());
    if (auto* a = std::get_if<std::vector<float>>(&v)) out.WriteFloatArray(a->data(), a->size());
}

// Reads a value of the same kind as like; the result holds what the read delivered (zero or
// empty on failure).
HRESULT Read(ObjectInStream& in, const Value& like, Value* got)
{
    HRESULT hr = E_FAIL;
    if (std::holds_alternative<uint32_t>(like)) {
        uint32_t u = 12345;
        hr = in.ReadUInt32(&u);
        *got = u;
    } else if (std::holds_alternative<float>(like)) {
        float f = 1.5f;
        hr = in.ReadFloat(&f);
        *got = f;
    } else if (std::holds_alternative<double>(like)) {
        double d = 2.5;
        hr = in.ReadDouble(&d);
        *got = d;
    } else if (std::holds_alternative<std::u16string>(like)) {
        IAutoKVIString* s = reinterpret_cast<IAutoKVIString*>(0x1);
        hr = in.ReadString(&s);
        *got = s ? std::u16string(KVI::String(s).View()) : std::u16string(u"<null>");
        if (s) s->Release();
    } else {
        std::vector<float> a{9.0f};
        hr = in.ReadFloatArray(&a);
        *got = a;
    }
    return hr;
}

const std::vector<Value>& Sample()
{
    static const std::vector<Value> values = {
        uint32_t{2},
        uint32_t{0xFFFFFFFFu},
        0.25f,
        std::numeric_limits<double>::infinity(),
        -1.2345678901234567,
        std::u16string(),
        std::u16string(u"degrees C \u00B5V \U0001F600"),
        std::vector<float>{1.0f, -2.5f, 3e30f},
        std::vector<float>{},
        uint32_t{0},
    };
    return values;
}

std::vector<uint8_t> Encode(const std::vector<Value>& values)
{
    ComPtr<ObjectOutStream> out = ObjectOutStream::CreateInMemory();
    for (const Value& v : values) Write(*out.Get(), v);
    EXPECT_EQ(out->GetStatus(), S_OK) << out->ErrorText();
    return out->Bytes();
}

TEST(ObjectStream, EveryKindComesBackFromMemoryAndFromAFile)
{
    const std::vector<uint8_t> bytes = Encode(Sample());
    ZorTest::TempDir dir;
    const std::string path = dir.File("values.bin");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ComPtr<ObjectOutStream> out = ObjectOutStream::CreateOnFile(f);
        for (const Value& v : Sample()) Write(*out.Get(), v);
        ASSERT_EQ(out->Flush(), S_OK);
        std::fclose(f);
    }
    EXPECT_EQ(ZorTest::ReadFile(path), std::string(bytes.begin(), bytes.end()));

    for (ComPtr<ObjectInStream> in : {ObjectInStream::CreateFromMemory(bytes), ObjectInStream::CreateFromFile(path)}) {
        for (const Value& expected : Sample()) {
            Value got;
            ASSERT_EQ(Read(*in.Get(), expected, &got), S_OK) << in->ErrorText();
            EXPECT_EQ(got, expected);
        }
        EXPECT_TRUE(in->AtEnd());
        EXPECT_EQ(in->GetStatus(), S_OK);
    }
}

TEST(ObjectStream, BothEndsKeepTheSameChecksum)
{
    Zor::Crc32 check;
    check.Update("12345", 5);
    check.Update("6789", 4);  // in pieces, across the four-byte steps
    EXPECT_EQ(check.Value(), 0xCBF43926u);

    ComPtr<ObjectOutStream> out = ObjectOutStream::CreateInMemory();
    for (const Value& v : Sample()) Write(*out.Get(), v);
    ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(out->Bytes());
    for (const Value& v : Sample()) {
        Value got;
        Read(*in.Get(), v, &got);
    }
    Zor::Crc32 whole;
    whole.Update(out->Bytes().data(), out->Bytes().size());
    EXPECT_EQ(in->Checksum(), out->Checksum());
    EXPECT_EQ(out->Checksum(), whole.Value());
}

TEST(ObjectStream, UnsignedAndSignedAreOneKind)
{
    ComPtr<ObjectOutStream> out = ObjectOutStream::CreateInMemory();
    out->WriteUInt32(static_cast<uint32_t>(-1));
    out->WriteInt32(-7);
    ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(out->Bytes());
    int32_t a = 0;
    uint32_t b = 0;
    EXPECT_EQ(in->ReadInt32(&a), S_OK);
    EXPECT_EQ(in->ReadUInt32(&b), S_OK);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, static_cast<uint32_t>(-7));
}

TEST(ObjectStream, AnotherKindFailsTheStreamAndDeliversZero)
{
    ComPtr<ObjectOutStream> out = ObjectOutStream::CreateInMemory();
    out->WriteDouble(3.5);
    out->WriteUInt32(9);
    ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(out->Bytes());
    uint32_t u = 77;
    EXPECT_EQ(in->ReadUInt32(&u), E_FAIL);
    EXPECT_EQ(u, 0u);
    EXPECT_EQ(in->GetStatus(), E_FAIL);
    EXPECT_NE(in->ErrorText().find("expected a 32-bit integer, found a double"), std::string::npos) << in->ErrorText();
    // The stream stays failed, even for the value that would now be of the right kind.
    double d = 1;
    EXPECT_EQ(in->ReadDouble(&d), E_FAIL);
    EXPECT_EQ(d, 0.0);
}

TEST(ObjectStream, ANullOutPointerLeavesTheStreamGood)
{
    ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(Encode({uint32_t{5}}));
    EXPECT_EQ(in->ReadUInt32(nullptr), E_POINTER);
    EXPECT_EQ(in->ReadString(nullptr), E_POINTER);
    uint32_t u = 0;
    EXPECT_EQ(in->ReadUInt32(&u), S_OK);
    EXPECT_EQ(u, 5u);
}

// Cut at every length: the values before the cut come back exactly, the one across it fails
// with a zero or empty result, and the stream says where the data ended.
TEST(ObjectStream, EveryTruncationFailsCleanly)
{
    const std::vector<uint8_t> whole = Encode(Sample());
    for (size_t length = 0; length < whole.size(); ++length) {
        ComPtr<ObjectInStream> in =
            ObjectInStream::CreateFromMemory(std::vector<uint8_t>(whole.begin(), whole.begin() + length));
        bool failed = in->GetStatus() != S_OK;
        for (const Value& expected : Sample()) {
            Value got;
            const HRESULT hr = Read(*in.Get(), expected, &got);
            if (failed) {
                ASSERT_EQ(hr, E_FAIL) << "length " << length;
                continue;
            }
            if (hr == S_OK) {
                ASSERT_EQ(got, expected) << "length " << length;
                continue;
            }
            failed = true;
            Value empty = expected;
            std::visit([](auto& v) { v = {}; }, empty);
            if (std::holds_alternative<std::u16string>(expected)) empty = std::u16string(u"<null>");
            ASSERT_EQ(got, empty) << "length " << length;
        }
        ASSERT_TRUE(failed) << "length " << length;
        EXPECT_FALSE(in->ErrorText().empty());
    }
}

TEST(ObjectStream, CountsLargerThanTheDataAreRefusedBeforeAllocating)
{
    // A string header claiming 2^31 units, and a float array claiming 2^32-1 elements.
    for (uint8_t kind : {uint8_t{4}, uint8_t{5}, uint8_t{6}}) {
        std::vector<uint8_t> bytes = Encode({});
        bytes.push_back(kind);
        for (uint8_t b : {0xFF, 0xFF, 0xFF, 0x7F}) bytes.push_back(b);
        bytes.insert(bytes.end(), 16, 0x41);
        ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(bytes);
        std::u16string text = u"x";
        std::vector<float> array{1.0f};
        std::vector<uint8_t> blob{1};
        const HRESULT hr = kind == 4 ? in->ReadText(&text) : kind == 5 ? in->ReadFloatArray(&array) : in->ReadBlob(&blob);
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_TRUE(text.empty() || kind != 4);
        EXPECT_TRUE(array.empty() || kind != 5);
        EXPECT_TRUE(blob.empty() || kind != 6);
        EXPECT_NE(in->ErrorText().find("does not fit in the 16 bytes that remain"), std::string::npos)
            << in->ErrorText();
    }
}

TEST(ObjectStream, DamagedHeadersAreNamed)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const Case cases[] = {
        {"empty", {}, "no header"},
        {"short", {'K', 'V', 'O'}, "no header"},
        {"other magic", {'K', 'V', 'O', 'X', 1, 0, 0, 0}, "no header"},
        {"newer", {'K', 'V', 'O', 'S', 2, 0, 0, 0}, "newer version of the program (stream version 2)"},
        {"version 0", {'K', 'V', 'O', 'S', 0, 0, 0, 0}, "stream version 0"},
    };
    for (const Case& c : cases) {
        ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(c.bytes);
        EXPECT_EQ(in->GetStatus(), E_FAIL) << c.name;
        EXPECT_NE(in->ErrorText().find(c.error), std::string::npos) << c.name << ": " << in->ErrorText();
        uint32_t u = 1;
        EXPECT_EQ(in->ReadUInt32(&u), E_FAIL) << c.name;
        EXPECT_EQ(u, 0u) << c.name;
    }
}

TEST(ObjectStream, NullCharactersAreNeitherWrittenNorRead)
{
    ComPtr<ObjectOutStream> out = ObjectOutStream::CreateInMemory();
    EXPECT_EQ(out->WriteText(std::u16string_view(u"a\0b", 3)), E_INVALIDARG);
    EXPECT_EQ(out->GetStatus(), E_FAIL);

    std::vector<uint8_t> bytes = Encode({std::u16string(u"ab")});
    bytes[bytes.size() - 1] = 0;  // the high byte of 'b'
    bytes[bytes.size() - 2] = 0;  // its low byte: U+0000
    ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(bytes);
    IAutoKVIString* s = nullptr;
    EXPECT_EQ(in->ReadString(&s), E_FAIL);
    EXPECT_EQ(s, nullptr);
}

TEST(ObjectStream, AFileThatCannotBeReadFailsTheStreamWithItsName)
{
    ZorTest::TempDir dir;
    for (const std::string& path : {dir.File("missing.doc"), dir.Path().string()}) {
        ComPtr<ObjectInStream> in = ObjectInStream::CreateFromFile(path);
        EXPECT_EQ(in->GetStatus(), E_FAIL);
        EXPECT_NE(in->ErrorText().find(path), std::string::npos) << in->ErrorText();
    }
}

TEST(ObjectStream, LargeArraysPassTheFileBufferWhole)
{
    std::vector<float> samples(100000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = std::sin(static_cast<float>(i));
    ZorTest::TempDir dir;
    const std::string path = dir.File("big.bin");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ComPtr<ObjectOutStream> out = ObjectOutStream::CreateOnFile(f);
    out->WriteUInt32(1);
    out->WriteFloatArray(samples.data(), samples.size());
    out->WriteUInt32(2);
    ASSERT_EQ(out->Flush(), S_OK);
    std::fclose(f);
    ComPtr<ObjectInStream> in = ObjectInStream::CreateFromFile(path);
    uint32_t a = 0, b = 0;
    std::vector<float> read;
    EXPECT_EQ(in->ReadUInt32(&a), S_OK);
    EXPECT_EQ(in->ReadFloatArray(&read), S_OK);
    EXPECT_EQ(in->ReadUInt32(&b), S_OK);
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(read, samples);
    EXPECT_TRUE(in->AtEnd());
}

}  // namespace
