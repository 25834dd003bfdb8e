// Zor::ObjectInStream: the framework's input object stream (IObjectInStream), reading the format
// of object_stream_format.h from memory or from a file.
//
// Every read is checked: a value of another kind than asked for, a count larger than the bytes
// that remain, a string holding U+0000 or the end of the data fail the read and the stream.
// A failed read leaves its out-value zero (null for strings), every later read fails too,
// GetStatus answers E_FAIL, and ErrorText names the byte offset and what was wrong. A header
// that is missing, damaged or of a newer version fails the stream at creation. A stream belongs
// to one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/object_stream_defaults.h"
#include "host/zor/crc32.h"
#include "platform/com_ptr.h"

namespace Zor {

class ObjectInStream final : public IObjectInStreamDefaults {
public:
    // A stream over bytes that it keeps.
    static platform::ComPtr<ObjectInStream> CreateFromMemory(std::vector<uint8_t> bytes);
    // A stream over a file (UTF-8 path), read through a buffer. A file that cannot be opened
    // gives a failed stream saying so.
    static platform::ComPtr<ObjectInStream> CreateFromFile(const std::string& path);

    ObjectInStream(const ObjectInStream&) = delete;
    ObjectInStream& operator=(const ObjectInStream&) = delete;

    // IUnknown: IUnknown and IObjectInStream.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IObjectInStream. Reads: S_OK, E_FAIL (stream failed), or E_POINTER for a null
    // out-pointer (which leaves the stream as it was).
    HRESULT GetStatus() override;
    HRESULT ReadUInt32(uint32_t* out) override;
    HRESULT ReadFloat(float* out) override;
    HRESULT ReadDouble(double* out) override;
    HRESULT ReadString(IAutoKVIString** out) override;
    HRESULT ReadInt32(int32_t* out) override;

    // Beyond the interface, for the framework's own stored forms.
    HRESULT ReadText(std::u16string* out);
    HRESULT ReadFloatArray(std::vector<float>* out);
    HRESULT ReadBlob(std::vector<uint8_t>* out);

    // Bytes not yet read, and the offset of the next one.
    uint64_t Remaining() const { return size_ - offset_; }
    uint64_t Offset() const { return offset_; }
    bool AtEnd() const { return offset_ == size_; }
    // Fails the stream for a reader that finds the values themselves wrong; the first
    // description stays. Returns E_FAIL.
    HRESULT Fail(const std::string& what);
    // Empty while the stream is good.
    const std::string& ErrorText() const { return error_; }
    // The CRC-32 of every byte read so far, header included.
    uint32_t Checksum() const { return crc_.Value(); }

    // Where the bytes come from (memory or a file); defined with the stream.
    class Source;

private:
    explicit ObjectInStream(std::unique_ptr<Source> source, uint64_t size);
    ~ObjectInStream();

    void ReadHeader();
    bool Get(void* bytes, size_t count);
    HRESULT ExpectKind(uint8_t kind);
    HRESULT ReadCount(uint8_t kind, size_t unitSize, uint32_t* count);
    HRESULT ReadFixed(uint8_t kind, void* out, size_t count);

    std::atomic<int32_t> refs_{0};
    std::unique_ptr<Source> source_;
    uint64_t size_;
    uint64_t offset_ = 0;
    std::string error_;
    Crc32 crc_;
};

}  // namespace Zor
