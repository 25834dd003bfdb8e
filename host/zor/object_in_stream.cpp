#include "host/zor/object_in_stream.h"

#include <sys/stat.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <new>

#include "foundation/kvi_string.h"
#include "host/zor/object_stream_format.h"

namespace Zor {

static_assert(std::endian::native == std::endian::little,
              "the stream format is little-endian and values are copied as they lie in memory");

class ObjectInStream::Source {
public:
    virtual ~Source() = default;
    // Copies the next count bytes; false when they are not there.
    virtual bool Read(void* bytes, size_t count) = 0;
};

namespace {

class MemorySource final : public ObjectInStream::Source {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool Read(void* bytes, size_t count) override
    {
        if (count > bytes_.size() - next_) return false;
        if (count) std::memcpy(bytes, bytes_.data() + next_, count);
        next_ += count;
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
    size_t next_ = 0;
};

class FileSource final : public ObjectInStream::Source {
public:
    explicit FileSource(std::FILE* file) : file_(file) { std::setvbuf(file_, nullptr, _IOFBF, 64 * 1024); }
    ~FileSource() override { std::fclose(file_); }
    bool Read(void* bytes, size_t count) override { return std::fread(bytes, 1, count, file_) == count; }

private:
    std::FILE* file_;
};

std::string At(uint64_t offset) { return "at byte " + std::to_string(offset) + ": "; }

}  // namespace

platform::ComPtr<ObjectInStream> ObjectInStream::CreateFromMemory(std::vector<uint8_t> bytes)
{
    const uint64_t size = bytes.size();
    platform::ComPtr<ObjectInStream> s(new ObjectInStream(std::make_unique<MemorySource>(std::move(bytes)), size));
    s->ReadHeader();
    return s;
}

platform::ComPtr<ObjectInStream> ObjectInStream::CreateFromFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    struct stat st {};
    if (file && (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode))) {
        std::fclose(file);
        file = nullptr;
        errno = EISDIR;
    }
    if (!file) {
        const std::string reason = std::strerror(errno);
        platform::ComPtr<ObjectInStream> s(new ObjectInStream(std::make_unique<MemorySource>(std::vector<uint8_t>()), 0));
        s->Fail("cannot open \"" + path + "\": " + reason);
        return s;
    }
    platform::ComPtr<ObjectInStream> s(
        new ObjectInStream(std::make_unique<FileSource>(file), static_cast<uint64_t>(st.st_size)));
    s->ReadHeader();
    return s;
}

ObjectInStream::ObjectInStream(std::unique_ptr<Source> source, uint64_t size) : source_(std::move(source)), size_(size)
{
}

ObjectInStream::~ObjectInStream() = default;

void ObjectInStream::ReadHeader()
{
    uint8_t header[kStreamHeaderSize] = {};
    if (!Get(header, sizeof header) || std::memcmp(header, kStreamMagic, sizeof kStreamMagic) != 0) {
        error_.clear();
        Fail("not a stream of stored objects (no header)");
        return;
    }
    const unsigned version = header[4] | (header[5] << 8);
    if (version > kStreamVersion)
        Fail("written by a newer version of the program (stream version " + std::to_string(version) + ")");
    else if (version == 0)
        Fail("damaged header (stream version 0)");
}

HRESULT ObjectInStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IObjectInStream) {
        *out = static_cast<IObjectInStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t ObjectInStream::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t ObjectInStream::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT ObjectInStream::GetStatus() { return error_.empty() ? S_OK : E_FAIL; }

HRESULT ObjectInStream::Fail(const std::string& what)
{
    if (error_.empty()) error_ = what.empty() ? std::string("damaged data") : what;
    return E_FAIL;
}

bool ObjectInStream::Get(void* bytes, size_t count)
{
    if (!error_.empty()) return false;
    if (count > Remaining() || !source_->Read(bytes, count)) {
        Fail(At(offset_) + "the data ends early");
        offset_ = size_;
        return false;
    }
    offset_ += count;
    crc_.Update(bytes, count);
    return true;
}

HRESULT ObjectInStream::ExpectKind(uint8_t kind)
{
    if (!error_.empty()) return E_FAIL;
    const uint64_t at = offset_;
    uint8_t found = 0;
    if (!Get(&found, 1)) return E_FAIL;
    if (found != kind) {
        return Fail(At(at) + "expected " + std::string(KindName(kind)) + ", found " + std::string(KindName(found)));
    }
    return S_OK;
}

HRESULT ObjectInStream::ReadFixed(uint8_t kind, void* out, size_t count)
{
    std::memset(out, 0, count);
    if (FAILED(ExpectKind(kind))) return E_FAIL;
    if (!Get(out, count)) {
        std::memset(out, 0, count);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ObjectInStream::ReadCount(uint8_t kind, size_t unitSize, uint32_t* count)
{
    *count = 0;
    const uint64_t at = offset_;
    if (FAILED(ExpectKind(kind))) return E_FAIL;
    uint32_t n = 0;
    if (!Get(&n, sizeof n)) return E_FAIL;
    if (uint64_t(n) * unitSize > Remaining()) {
        return Fail(At(at) + std::string(KindName(kind)) + " of " + std::to_string(n) +
                    (unitSize == 1 ? " bytes" : " elements") + " does not fit in the " +
                    std::to_string(Remaining()) + " bytes that remain");
    }
    *count = n;
    return S_OK;
}

HRESULT ObjectInStream::ReadUInt32(uint32_t* out)
{
    if (!out) return E_POINTER;
    return ReadFixed(static_cast<uint8_t>(ValueKind::kUInt32), out, sizeof *out);
}

HRESULT ObjectInStream::ReadInt32(int32_t* out)
{
    if (!out) return E_POINTER;
    // One kind for both: the bits written unsigned come back as the signed value.
    return ReadFixed(static_cast<uint8_t>(ValueKind::kUInt32), out, sizeof *out);
}

HRESULT ObjectInStream::ReadFloat(float* out)
{
    if (!out) return E_POINTER;
    return ReadFixed(static_cast<uint8_t>(ValueKind::kFloat), out, sizeof *out);
}

HRESULT ObjectInStream::ReadDouble(double* out)
{
    if (!out) return E_POINTER;
    return ReadFixed(static_cast<uint8_t>(ValueKind::kDouble), out, sizeof *out);
}

HRESULT ObjectInStream::ReadText(std::u16string* out)
{
    if (!out) return E_POINTER;
    out->clear();
    const uint64_t at = offset_;
    uint32_t n = 0;
    if (FAILED(ReadCount(static_cast<uint8_t>(ValueKind::kString), sizeof(char16_t), &n))) return E_FAIL;
    try {
        out->resize(n);
    } catch (const std::bad_alloc&) {
        return Fail(At(at) + "out of memory");
    }
    if (!Get(out->data(), n * sizeof(char16_t))) {
        out->clear();
        return E_FAIL;
    }
    if (out->find(u'\0') != std::u16string::npos) {
        out->clear();
        return Fail(At(at) + "a string holds a null character");
    }
    return S_OK;
}

HRESULT ObjectInStream::ReadString(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::u16string text;
    if (FAILED(ReadText(&text))) return E_FAIL;
    *out = KVI::String(std::u16string_view(text)).NewReference();
    return S_OK;
}

HRESULT ObjectInStream::ReadFloatArray(std::vector<float>* out)
{
    if (!out) return E_POINTER;
    out->clear();
    const uint64_t at = offset_;
    uint32_t n = 0;
    if (FAILED(ReadCount(static_cast<uint8_t>(ValueKind::kFloatArray), sizeof(float), &n))) return E_FAIL;
    try {
        out->resize(n);
    } catch (const std::bad_alloc&) {
        return Fail(At(at) + "out of memory");
    }
    if (!Get(out->data(), n * sizeof(float))) {
        out->clear();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ObjectInStream::ReadBlob(std::vector<uint8_t>* out)
{
    if (!out) return E_POINTER;
    out->clear();
    const uint64_t at = offset_;
    uint32_t n = 0;
    if (FAILED(ReadCount(static_cast<uint8_t>(ValueKind::kBlob), 1, &n))) return E_FAIL;
    try {
        out->resize(n);
    } catch (const std::bad_alloc&) {
        return Fail(At(at) + "out of memory");
    }
    if (!Get(out->data(), n)) {
        out->clear();
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace Zor
