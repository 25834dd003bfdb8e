#include "host/zor/object_out_stream.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "foundation/kvi_string.h"
#include "host/zor/object_stream_format.h"

namespace Zor {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the stream format is little-endian and values are copied as they lie in memory");

// A file stream collects this much before it writes; larger payloads go to the file directly.
constexpr size_t kFileBufferSize = 64 * 1024;

}  // namespace

std::string_view KindName(uint8_t kind)
{
    switch (static_cast<ValueKind>(kind)) {
    case ValueKind::kUInt32: return "a 32-bit integer";
    case ValueKind::kFloat: return "a float";
    case ValueKind::kDouble: return "a double";
    case ValueKind::kString: return "a string";
    case ValueKind::kFloatArray: return "an array of floats";
    case ValueKind::kBlob: return "a nested stream";
    }
    return "a value of unknown kind";
}

platform::ComPtr<ObjectOutStream> ObjectOutStream::CreateInMemory()
{
    return platform::ComPtr<ObjectOutStream>(new ObjectOutStream(nullptr));
}

platform::ComPtr<ObjectOutStream> ObjectOutStream::CreateOnFile(std::FILE* file)
{
    platform::ComPtr<ObjectOutStream> s(new ObjectOutStream(file));
    if (!file) s->Fail("no file to write to");
    return s;
}

ObjectOutStream::ObjectOutStream(std::FILE* file) : file_(file)
{
    if (file_) buffer_.reserve(kFileBufferSize);
    const uint8_t header[kStreamHeaderSize] = {kStreamMagic[0], kStreamMagic[1], kStreamMagic[2], kStreamMagic[3],
                                               uint8_t(kStreamVersion & 0xFF), uint8_t(kStreamVersion >> 8), 0, 0};
    Put(header, sizeof header);
}

HRESULT ObjectOutStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IObjectOutStream) {
        *out = static_cast<IObjectOutStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t ObjectOutStream::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t ObjectOutStream::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT ObjectOutStream::GetStatus() { return error_.empty() ? S_OK : E_FAIL; }

HRESULT ObjectOutStream::Fail(std::string text)
{
    if (error_.empty()) error_ = std::move(text);
    return E_FAIL;
}

HRESULT ObjectOutStream::FailWriting()
{
    const int error = errno;
    return Fail(std::string("the file could not be written: ") + (error ? std::strerror(error) : "unknown error"));
}

HRESULT ObjectOutStream::Put(const void* bytes, size_t count)
{
    if (!error_.empty()) return E_FAIL;
    if (count == 0) return S_OK;
    const auto* p = static_cast<const uint8_t*>(bytes);
    crc_.Update(p, count);
    if (file_ && buffer_.size() + count > kFileBufferSize) {
        if (FAILED(Flush())) return E_FAIL;
        if (count >= kFileBufferSize) {
            if (std::fwrite(p, 1, count, file_) != count) return FailWriting();
            return S_OK;
        }
    }
    try {
        buffer_.insert(buffer_.end(), p, p + count);
    } catch (const std::bad_alloc&) {
        return Fail("out of memory");
    } catch (const std::length_error&) {
        return Fail("out of memory");
    }
    return S_OK;
}

HRESULT ObjectOutStream::PutValue(uint8_t kind, const void* payload, size_t count)
{
    if (FAILED(Put(&kind, 1))) return E_FAIL;
    return Put(payload, count);
}

HRESULT ObjectOutStream::PutCounted(uint8_t kind, uint64_t count, const void* payload, size_t bytes)
{
    if (!error_.empty()) return E_FAIL;
    if (count > std::numeric_limits<uint32_t>::max())
        return Fail(std::string(KindName(kind)) + " is too long to be stored");
    const uint32_t n = static_cast<uint32_t>(count);
    if (FAILED(PutValue(kind, &n, sizeof n))) return E_FAIL;
    return Put(payload, bytes);
}

HRESULT ObjectOutStream::WriteUInt32(uint32_t value)
{
    return PutValue(static_cast<uint8_t>(ValueKind::kUInt32), &value, sizeof value);
}

HRESULT ObjectOutStream::WriteFloat(float value)
{
    return PutValue(static_cast<uint8_t>(ValueKind::kFloat), &value, sizeof value);
}

HRESULT ObjectOutStream::WriteDouble(double value)
{
    return PutValue(static_cast<uint8_t>(ValueKind::kDouble), &value, sizeof value);
}

HRESULT ObjectOutStream::WriteString(IAutoKVIString* text)
{
    // Shares a StringRep, copies any other implementation's text.
    const KVI::String s(text);
    return WriteText(s.View());
}

HRESULT ObjectOutStream::WriteText(std::u16string_view text)
{
    if (!error_.empty()) return E_FAIL;
    if (text.find(u'\0') != std::u16string_view::npos) {
        Fail("a string holding a null character cannot be stored");
        return E_INVALIDARG;
    }
    return PutCounted(static_cast<uint8_t>(ValueKind::kString), text.size(), text.data(),
                      text.size() * sizeof(char16_t));
}

HRESULT ObjectOutStream::WriteFloatArray(const float* values, size_t count)
{
    if (!values && count != 0) return Fail("no samples to write");
    return PutCounted(static_cast<uint8_t>(ValueKind::kFloatArray), count, values, count * sizeof(float));
}

HRESULT ObjectOutStream::WriteFloatArray(const std::vector<std::span<const float>>& pieces)
{
    uint64_t total = 0;
    for (const auto& piece : pieces) total += piece.size();
    if (FAILED(PutCounted(static_cast<uint8_t>(ValueKind::kFloatArray), total, nullptr, 0))) return E_FAIL;
    for (const auto& piece : pieces)
        if (FAILED(Put(piece.data(), piece.size() * sizeof(float)))) return E_FAIL;
    return S_OK;
}

HRESULT ObjectOutStream::WriteBlob(const std::vector<uint8_t>& bytes)
{
    return PutCounted(static_cast<uint8_t>(ValueKind::kBlob), bytes.size(), bytes.data(), bytes.size());
}

HRESULT ObjectOutStream::Flush()
{
    if (!error_.empty()) return E_FAIL;
    if (!file_ || buffer_.empty()) return S_OK;
    const size_t n = buffer_.size();
    const bool written = std::fwrite(buffer_.data(), 1, n, file_) == n;
    buffer_.clear();
    return written ? S_OK : FailWriting();
}

}  // namespace Zor
