#include "tests/support/memory_object_stream.h"

#include <cstring>
#include <new>

#include "foundation/kvi_string.h"

namespace TestSupport {
namespace {

template <class T>
void PutBytes(std::vector<uint8_t>& out, T value)
{
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

template <class T>
bool TakeBytes(const uint8_t*& p, const uint8_t* end, T& value)
{
    if (size_t(end - p) < sizeof(T)) return false;
    std::memcpy(&value, p, sizeof(T));
    p += sizeof(T);
    return true;
}

}  // namespace

std::vector<StoredValue> MemoryObjectStream::DecodeValues(const uint8_t* data, size_t size)
{
    std::vector<StoredValue> values;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    while (p < end) {
        const auto kind = static_cast<ValueKind>(*p++ % 4);
        uint32_t u = 0;
        float f = 0;
        double d = 0;
        switch (kind) {
        case ValueKind::UInt32:
            if (!TakeBytes(p, end, u)) return values;
            values.emplace_back(u);
            break;
        case ValueKind::Float:
            if (!TakeBytes(p, end, f)) return values;
            values.emplace_back(f);
            break;
        case ValueKind::Double:
            if (!TakeBytes(p, end, d)) return values;
            values.emplace_back(d);
            break;
        case ValueKind::String: {
            if (!TakeBytes(p, end, u) || u > size_t(end - p) / 2) return values;
            std::u16string s(u, u'\0');
            std::memcpy(s.data(), p, size_t(u) * 2);
            p += size_t(u) * 2;
            values.emplace_back(std::move(s));
            break;
        }
        }
    }
    return values;
}

std::vector<uint8_t> MemoryObjectStream::EncodeValues(const std::vector<StoredValue>& values)
{
    std::vector<uint8_t> out;
    for (const StoredValue& v : values) {
        out.push_back(static_cast<uint8_t>(v.index()));
        switch (KindOf(v)) {
        case ValueKind::UInt32:
            PutBytes(out, std::get<uint32_t>(v));
            break;
        case ValueKind::Float:
            PutBytes(out, std::get<float>(v));
            break;
        case ValueKind::Double:
            PutBytes(out, std::get<double>(v));
            break;
        case ValueKind::String: {
            const std::u16string& s = std::get<std::u16string>(v);
            PutBytes(out, static_cast<uint32_t>(s.size()));
            for (char16_t c : s) PutBytes(out, c);
            break;
        }
        }
    }
    return out;
}

HRESULT MemoryObjectStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IObjectInStream) {
        *out = static_cast<IObjectInStream*>(this);
    } else if (iid == IID_IObjectOutStream) {
        *out = static_cast<IObjectOutStream*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t MemoryObjectStream::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t MemoryObjectStream::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT MemoryObjectStream::GetStatus() { return failed_ ? E_FAIL : S_OK; }

template <class T>
HRESULT MemoryObjectStream::Next(T& value)
{
    if (failed_ || readPos_ >= values_.size()) {
        failed_ = true;
        return E_FAIL;
    }
    const T* v = std::get_if<T>(&values_[readPos_]);
    if (!v) {
        failed_ = true;
        return E_FAIL;
    }
    value = *v;
    ++readPos_;
    return S_OK;
}

HRESULT MemoryObjectStream::ReadUInt32(uint32_t* out)
{
    if (!out) return E_POINTER;
    return Next(*out);
}

HRESULT MemoryObjectStream::ReadInt32(int32_t* out)
{
    if (!out) return E_POINTER;
    uint32_t v = 0;
    const HRESULT hr = Next(v);
    if (SUCCEEDED(hr)) *out = static_cast<int32_t>(v);
    return hr;
}

HRESULT MemoryObjectStream::ReadFloat(float* out)
{
    if (!out) return E_POINTER;
    return Next(*out);
}

HRESULT MemoryObjectStream::ReadDouble(double* out)
{
    if (!out) return E_POINTER;
    return Next(*out);
}

HRESULT MemoryObjectStream::ReadString(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::u16string s;
    const HRESULT hr = Next(s);
    if (FAILED(hr)) return hr;
    try {
        *out = KVI::String(std::u16string_view(s)).NewReference();
        return S_OK;
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return E_OUTOFMEMORY;
    }
}

HRESULT MemoryObjectStream::Append(StoredValue value)
{
    if (failed_ || values_.size() >= writeLimit_) {
        failed_ = true;
        return E_FAIL;
    }
    values_.push_back(std::move(value));
    return S_OK;
}

HRESULT MemoryObjectStream::WriteUInt32(uint32_t value) { return Append(value); }
HRESULT MemoryObjectStream::WriteFloat(float value) { return Append(value); }
HRESULT MemoryObjectStream::WriteDouble(double value) { return Append(value); }

HRESULT MemoryObjectStream::WriteString(IAutoKVIString* text)
{
    try {
        return Append(std::u16string(KVI::String(text).View()));
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return E_OUTOFMEMORY;
    }
}

std::vector<ValueKind> MemoryObjectStream::Kinds() const
{
    std::vector<ValueKind> kinds;
    for (const StoredValue& v : values_) kinds.push_back(KindOf(v));
    return kinds;
}

void MemoryObjectStream::Truncate(size_t count)
{
    if (count < values_.size()) values_.resize(count);
}

void MemoryObjectStream::Rewind()
{
    readPos_ = 0;
    failed_ = false;
}

}  // namespace TestSupport
