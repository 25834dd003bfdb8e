// TestSupport::MemoryObjectStream: an in-memory object stream for tests and fuzz targets. It
// answers both IObjectOutStream (values are appended) and IObjectInStream (values are read
// back from the start, in order). It keeps every value with its kind, so a test can check
// what was stored and how, and it can be cut short or altered to feed a reader bad input.
//
// Reads fail (E_FAIL) past the end or when the next value is of another kind; ReadInt32 and
// ReadUInt32 both read a UInt32 value, since the host's streams hold no separate signed kind.
// After the first failure every later operation fails and GetStatus reports E_FAIL, as the
// host's streams do. Unimplemented (Reserved) slots return E_NOTIMPL without failing the
// stream.
//
// The object lives on the stack: AddRef and Release count (visible through RefCount) but never
// delete.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "interfaces/object_stream_defaults.h"

namespace TestSupport {

// One stored value; the alternative's index is its kind.
using StoredValue = std::variant<uint32_t, float, double, std::u16string>;
enum class ValueKind { UInt32 = 0, Float = 1, Double = 2, String = 3 };

inline ValueKind KindOf(const StoredValue& v) { return static_cast<ValueKind>(v.index()); }

class MemoryObjectStream final : public IObjectInStreamDefaults, public IObjectOutStreamDefaults {
public:
    MemoryObjectStream() = default;
    explicit MemoryObjectStream(std::vector<StoredValue> values) : values_(std::move(values)) {}
    MemoryObjectStream(const MemoryObjectStream&) = delete;
    MemoryObjectStream& operator=(const MemoryObjectStream&) = delete;

    // A byte encoding of a value list, for fuzz inputs and corpora: per value one kind byte
    // (0 UInt32, 1 Float, 2 Double, 3 String, taken modulo 4), then the little-endian payload:
    // 4 bytes, 4 bytes, 8 bytes, or a 32-bit count of UTF-16 units and the units. Decoding
    // stops at the first value that the bytes do not hold whole.
    static std::vector<StoredValue> DecodeValues(const uint8_t* data, size_t size);
    static std::vector<uint8_t> EncodeValues(const std::vector<StoredValue>& values);

    // IUnknown: IUnknown, IObjectInStream and IObjectOutStream.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // Both interfaces.
    HRESULT GetStatus() override;

    // IObjectInStream.
    HRESULT ReadUInt32(uint32_t* out) override;
    HRESULT ReadFloat(float* out) override;
    HRESULT ReadDouble(double* out) override;
    HRESULT ReadString(IAutoKVIString** out) override;
    HRESULT ReadInt32(int32_t* out) override;

    // IObjectOutStream.
    HRESULT WriteUInt32(uint32_t value) override;
    HRESULT WriteFloat(float value) override;
    HRESULT WriteDouble(double value) override;
    HRESULT WriteString(IAutoKVIString* text) override;

    IObjectInStream* In() { return this; }
    IObjectOutStream* Out() { return this; }

    std::vector<StoredValue>& Values() { return values_; }
    const std::vector<StoredValue>& Values() const { return values_; }
    std::vector<ValueKind> Kinds() const;
    // How many values were read so far.
    size_t ReadPosition() const { return readPos_; }
    // Keeps the first count values.
    void Truncate(size_t count);
    // Back to the first value, with the failure cleared.
    void Rewind();
    // Writes after the first count values fail (and fail the stream).
    void FailWritesAfter(size_t count) { writeLimit_ = count; }
    int32_t RefCount() const { return refs_.load(); }

private:
    template <class T>
    HRESULT Next(T& value);
    HRESULT Append(StoredValue value);

    std::vector<StoredValue> values_;
    size_t readPos_ = 0;
    size_t writeLimit_ = std::numeric_limits<size_t>::max();
    bool failed_ = false;
    std::atomic<int32_t> refs_{0};
};

}  // namespace TestSupport
