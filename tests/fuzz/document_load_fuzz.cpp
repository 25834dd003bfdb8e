// Fuzzes document loading, of either document version (the corpus holds both: the second has
// the blocks' sample intervals). The input is taken as a document file; when it is long enough
// its last four bytes are replaced by the checksum of what comes before them, so that the
// fuzzer gets past the checksum to every later check. Checks: a load either succeeds, every
// sample interval lies in the range a recording takes, and the loaded document saves and loads
// again to the same contents (intervals included), or fails with a description and leaves the
// document as it was.
#include <unistd.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "interfaces/recording.h"
#include "host/zor/crc32.h"
#include "host/zor/document.h"
#include "platform/code_page.h"

namespace {

using platform::ComPtr;

void Check(bool condition)
{
    if (!condition) std::abort();
}

// Two files in a private folder that goes when the process ends.
struct Scratch {
    Scratch()
    {
        char templ[] = "/tmp/zor-fuzz-XXXXXX";
        Check(mkdtemp(templ) != nullptr);
        dir = templ;
        input = dir + "/input.vdoc";
        again = dir + "/again.vdoc";
    }
    ~Scratch()
    {
        std::remove(input.c_str());
        std::remove(again.c_str());
        rmdir(dir.c_str());
    }
    std::string dir, input, again;
};

const Scratch& Files()
{
    static const Scratch scratch;
    return scratch;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr);
    Check(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
}

// The document's contents as text: properties and every sample.
std::string Contents(Zor::Document& doc)
{
    std::string s;
    int32_t channels = 0, blocks = 0;
    doc.GetChannelCount(&channels);
    doc.GetBlockCount(&blocks);
    s += std::to_string(channels) + "/" + std::to_string(blocks);
    for (int32_t b = 0; b < blocks; ++b) {
        double seconds = -1;
        const HRESULT hr = doc.GetSampleInterval(b, &seconds);
        Check((hr == S_FALSE && seconds == 0.0) ||
              (hr == S_OK && seconds >= kMinSampleInterval && seconds <= kMaxSampleInterval));
        s += " @" + std::to_string(std::bit_cast<uint64_t>(seconds));
    }
    for (int32_t c = 0; c < channels; ++c) {
        IAutoKVIString* name = nullptr;
        doc.GetChannelName(c, &name);
        s += "|" + KVI::String(name).ToUtf8();
        if (name) name->Release();
        for (int32_t b = 0; b < blocks; ++b) {
            ComPtr<IEnumFloatEx> stream;
            if (FAILED(doc.CreateSampleStream(c, b, 0, INT64_MAX, stream.Put()))) continue;
            float v = 0;
            uint32_t got = 0;
            while (stream->Next(1, &v, &got) == S_OK) s += " " + std::to_string(v);
        }
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() >= 12) {
        Zor::Crc32 crc;
        crc.Update(bytes.data(), bytes.size() - 4);
        const uint32_t value = crc.Value();
        for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + static_cast<size_t>(i)] = uint8_t(value >> (8 * i));
    }
    const std::string& input = Files().input;
    WriteFile(input, bytes.data(), bytes.size());

    ComPtr<Zor::Document> doc = Zor::Document::Create();
    doc->AddChannel(KVI::String(u"before").Interface(), nullptr);
    doc->AddBlock(nullptr);
    const float one = 1.0f;
    doc->AppendSamples(0, 0, &one, 1);
    const std::string before = Contents(*doc.Get());

    IAutoKVIString* error = nullptr;
    const HRESULT hr = doc->Load(platform::Utf8ToUtf16(input).c_str(), &error);
    if (FAILED(hr)) {
        Check(error != nullptr && !KVI::String(error).IsEmpty());
        error->Release();
        Check(Contents(*doc.Get()) == before);
        return 0;
    }
    Check(error == nullptr);
    const std::string loaded = Contents(*doc.Get());
    const std::string& again = Files().again;
    Check(doc->Save(platform::Utf8ToUtf16(again).c_str(), nullptr) == S_OK);
    ComPtr<Zor::Document> reread = Zor::Document::Create();
    Check(reread->Load(platform::Utf8ToUtf16(again).c_str(), nullptr) == S_OK);
    Check(Contents(*reread.Get()) == loaded);
    return 0;
}
