// Fuzzes the framework's object-stream reader. The input is a read plan and a stream:
//   byte 0        n, the number of plan bytes that follow (at most 32)
//   bytes 1..n    the plan: each byte's value modulo 7 picks the next read (unsigned, signed,
//                 float, double, string, float array, nested stream); the plan repeats
//   the rest      the stream's bytes
// Checks: a failed read delivers zero or nothing and fails the stream for good; every value
// read successfully, written again, reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "foundation/kvi_string.h"
#include "host/zor/object_in_stream.h"
#include "host/zor/object_out_stream.h"

namespace {

using platform::ComPtr;
using Value = std::variant<uint32_t, int32_t, float, double, std::u16string, std::vector<float>, std::vector<uint8_t>>;

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool Same(const Value& a, const Value& b)
{
    // Compared bit for bit: a NaN read back is the same NaN.
    if (a.index() != b.index()) return false;
    if (auto* f = std::get_if<float>(&a)) return std::memcmp(f, &std::get<float>(b), sizeof(float)) == 0;
    if (auto* d = std::get_if<double>(&a)) return std::memcmp(d, &std::get<double>(b), sizeof(double)) == 0;
    if (auto* v = std::get_if<std::vector<float>>(&a)) {
        const auto& w = std::get<std::vector<float>>(b);
        return v->size() == w.size() && (v->empty() || std::memcmp(v->data(), w.data(), v->size() * 4) == 0);
    }
    return a == b;
}

// One read of the kind the plan byte picks; false when it failed (after checking that it
// delivered nothing).
bool ReadOne(Zor::ObjectInStream& in, uint8_t pick, Value* out)
{
    switch (pick % 7) {
    case 0: {
        uint32_t v = 7;
        const bool ok = in.ReadUInt32(&v) == S_OK;
        Check(ok || v == 0);
        *out = v;
        return ok;
    }
    case 1: {
        int32_t v = 7;
        const bool ok = in.ReadInt32(&v) == S_OK;
        Check(ok || v == 0);
        *out = v;
        return ok;
    }
    case 2: {
        float v = 7;
        const bool ok = in.ReadFloat(&v) == S_OK;
        Check(ok || v == 0.0f);
        *out = v;
        return ok;
    }
    case 3: {
        double v = 7;
        const bool ok = in.ReadDouble(&v) == S_OK;
        Check(ok || v == 0.0);
        *out = v;
        return ok;
    }
    case 4: {
        IAutoKVIString* s = reinterpret_cast<IAutoKVIString*>(1);
        const bool ok = in.ReadString(&s) == S_OK;
        Check(ok == (s != nullptr));
        if (!ok) return false;
        const KVI::String text(s);
        s->Release();
        Check(text.View().find(u'\0') == std::u16string_view::npos);
        *out = std::u16string(text.View());
        return true;
    }
    case 5: {
        std::vector<float> v{1.0f};
        const bool ok = in.ReadFloatArray(&v) == S_OK;
        Check(ok || v.empty());
        *out = std::move(v);
        return ok;
    }
    default: {
        std::vector<uint8_t> v{1};
        const bool ok = in.ReadBlob(&v) == S_OK;
        Check(ok || v.empty());
        *out = std::move(v);
        return ok;
    }
    }
}

void Write(Zor::ObjectOutStream& out, const Value& v)
{
    if (auto* u = std::get_if<uint32_t>(&v)) out.WriteUInt32(*u);
    if (auto* i = std::get_if<int32_t>(&v)) out.WriteInt32(*i);
    if (auto* f = std::get_if<float>(&v)) out.WriteFloat(*f);
    if (auto* d = std::get_if<double>(&v)) out.WriteDouble(*d);
    if (auto* s = std::get_if<std::u16string>(&v)) out.WriteText(*s);
    if (auto* a = std::get_if<std::vector<float>>(&v)) out.WriteFloatArray(a->data(), a->size());
    if (auto* b = std::get_if<std::vector<uint8_t>>(&v)) out.WriteBlob(*b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const size_t planSize = std::min<size_t>(size_t{data[0]} % 33, size - 1);
    if (planSize == 0) return 0;
    const std::vector<uint8_t> plan(data + 1, data + 1 + planSize);
    std::vector<uint8_t> bytes(data + 1 + planSize, data + size);

    ComPtr<Zor::ObjectInStream> in = Zor::ObjectInStream::CreateFromMemory(bytes);
    std::vector<Value> values;
    std::vector<uint8_t> picks;
    bool failed = in->GetStatus() != S_OK;
    for (size_t i = 0; !failed && i < 4096; ++i) {
        Value v;
        const uint8_t pick = plan[i % plan.size()];
        if (ReadOne(*in.Get(), pick, &v)) {
            values.push_back(std::move(v));
            picks.push_back(pick);
        } else {
            failed = true;
        }
        Check(in->Offset() <= bytes.size());
    }
    if (failed) {
        Check(in->GetStatus() == E_FAIL && !in->ErrorText().empty());
        Value v;
        for (uint8_t pick = 0; pick < 7; ++pick) Check(!ReadOne(*in.Get(), pick, &v));
    }

    // What was read, written again, reads back alike.
    ComPtr<Zor::ObjectOutStream> out = Zor::ObjectOutStream::CreateInMemory();
    for (const Value& v : values) Write(*out.Get(), v);
    Check(out->GetStatus() == S_OK);
    ComPtr<Zor::ObjectInStream> again = Zor::ObjectInStream::CreateFromMemory(out->Bytes());
    for (size_t i = 0; i < values.size(); ++i) {
        Value v;
        Check(ReadOne(*again.Get(), picks[i], &v));
        Check(Same(v, values[i]));
    }
    Check(again->AtEnd());
    return 0;
}
