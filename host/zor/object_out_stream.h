// Zor::ObjectOutStream: the framework's output object stream (IObjectOutStream), writing the
// format of object_stream_format.h into memory or into an open file.
//
// The stream keeps a status: after the first failed write (a value too large for its count, a
// write error of the file, no memory) every later write fails too, GetStatus answers E_FAIL
// and ErrorText says what went wrong. A stream belongs to one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/object_stream_defaults.h"
#include "host/zor/crc32.h"
#include "platform/com_ptr.h"

namespace Zor {

class ObjectOutStream final : public IObjectOutStreamDefaults {
public:
    // A stream into memory; Bytes() holds what was written, header included.
    static platform::ComPtr<ObjectOutStream> CreateInMemory();
    // A stream into an open file (not owned: the caller closes it after Flush). Writing is
    // buffered; Flush writes out the rest.
    static platform::ComPtr<ObjectOutStream> CreateOnFile(std::FILE* file);

    ObjectOutStream(const ObjectOutStream&) = delete;
    ObjectOutStream& operator=(const ObjectOutStream&) = delete;

    // IUnknown: IUnknown and IObjectOutStream.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IObjectOutStream. Writes return S_OK, or E_FAIL once the stream has failed.
    HRESULT GetStatus() override;
    HRESULT WriteUInt32(uint32_t value) override;
    HRESULT WriteFloat(float value) override;
    HRESULT WriteDouble(double value) override;
    HRESULT WriteString(IAutoKVIString* text) override;

    // Beyond the interface, for the framework's own stored forms.
    HRESULT WriteInt32(int32_t value) { return WriteUInt32(static_cast<uint32_t>(value)); }
    // E_INVALIDARG (failing the stream) for a text holding U+0000, which a reader refuses.
    HRESULT WriteText(std::u16string_view text);
    HRESULT WriteFloatArray(const float* values, size_t count);
    // One float array of the pieces' total length, written from the pieces in order.
    HRESULT WriteFloatArray(const std::vector<std::span<const float>>& pieces);
    // A nested stream (another stream's Bytes()).
    HRESULT WriteBlob(const std::vector<uint8_t>& bytes);
    // Writes buffered bytes to the file (nothing in memory). E_FAIL when the file refused them.
    HRESULT Flush();

    // What was written (memory streams; a file stream holds only its unwritten buffer).
    const std::vector<uint8_t>& Bytes() const { return buffer_; }
    // Empty while the stream is good.
    const std::string& ErrorText() const { return error_; }
    // The CRC-32 of every byte written so far, header included.
    uint32_t Checksum() const { return crc_.Value(); }

private:
    explicit ObjectOutStream(std::FILE* file);
    ~ObjectOutStream() = default;

    HRESULT Fail(std::string text);
    // A failed write to the file, with the system's reason ("No space left on device").
    HRESULT FailWriting();
    HRESULT Put(const void* bytes, size_t count);
    HRESULT PutValue(uint8_t kind, const void* payload, size_t count);
    HRESULT PutCounted(uint8_t kind, uint64_t count, const void* payload, size_t bytes);

    std::atomic<int32_t> refs_{0};
    std::FILE* file_;
    std::vector<uint8_t> buffer_;
    std::string error_;
    Crc32 crc_;
};

}  // namespace Zor
