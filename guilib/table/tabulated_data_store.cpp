// The stored form of the tabulated data (IPersistObject) and its text form.
#include <cmath>
#include <limits>

#include "guilib/table/tabulated_data.h"

namespace GUILib {
namespace {

// Ends a load at the first failed read, so that Load has one place that gives up and keeps
// the table as it was.
struct ReadFailed {};

class Reader {
public:
    explicit Reader(IObjectInStream* s) : s_(s) {}

    // A count or length: the table's indexes are 32-bit signed, so a larger value is corrupt.
    int32_t Count()
    {
        uint32_t v = 0;
        Check(s_->ReadUInt32(&v));
        if (v > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) throw ReadFailed{};
        return static_cast<int32_t>(v);
    }
    float Float()
    {
        float v = 0;
        Check(s_->ReadFloat(&v));
        return v;
    }
    KVI::String String()
    {
        platform::ComPtr<IAutoKVIString> s;
        Check(s_->ReadString(s.Put()));
        return KVI::String(s.Get());
    }

private:
    static void Check(HRESULT hr)
    {
        if (FAILED(hr)) throw ReadFailed{};
    }
    IObjectInStream* s_;
};

}  // namespace

HRESULT CTabulatedData::Load(IObjectInStream* stream)
{
    if (!stream) return E_POINTER;
    return Guarded([&] {
        try {
            Reader in(stream);
            // Nothing is reserved from a stored count: the containers grow as values arrive,
            // so a corrupt count ends at the stream's end instead of asking for the memory.
            const int32_t columnCount = in.Count();
            std::vector<int32_t> lengths;
            for (int32_t i = 0; i < columnCount; ++i) lengths.push_back(in.Count());

            std::vector<ColumnPtr> loaded;
            for (const int32_t length : lengths) {
                ColumnPtr c = MakeRefCounted<NamedDataColumn>();
                c->name_ = in.String();
                c->units_ = in.String();
                for (int32_t k = 0; k < length; ++k) c->values_.push_back(in.Float());
                loaded.push_back(std::move(c));
            }
            if (FAILED(stream->GetStatus())) return E_FAIL;

            columns_.swap(loaded);
            AnnounceReset();
            return S_OK;
        } catch (const ReadFailed&) {
            return E_FAIL;
        }
    });
}

HRESULT CTabulatedData::Save(IObjectOutStream* stream)
{
    if (!stream) return E_POINTER;
    const auto length = [](const ColumnPtr& c) { return c ? static_cast<uint32_t>(c->values_.size()) : 0u; };
    // A null column entry is stored as an empty column without a name.
    const KVI::String none;
    bool ok = SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(columns_.size())));
    for (size_t i = 0; ok && i < columns_.size(); ++i) ok = SUCCEEDED(stream->WriteUInt32(length(columns_[i])));
    for (size_t i = 0; ok && i < columns_.size(); ++i) {
        const NamedDataColumn* c = columns_[i].Get();
        ok = SUCCEEDED(stream->WriteString((c ? c->name_ : none).Interface())) &&
             SUCCEEDED(stream->WriteString((c ? c->units_ : none).Interface()));
        for (size_t k = 0; ok && c && k < c->values_.size(); ++k) ok = SUCCEEDED(stream->WriteFloat(c->values_[k]));
    }
    return ok && SUCCEEDED(stream->GetStatus()) ? S_OK : E_FAIL;
}

HRESULT CTabulatedData::GetTypeId(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = typeId_;
    return S_OK;
}

void CTabulatedData::WriteText(std::wostream& os) const
{
    // The caller's width is meant for the cells; the heading is written without it.
    const std::streamsize width = os.width(0);
    for (const ColumnPtr& c : columns_) {
        if (c) {
            os << c->name_.ToWide();
            if (!c->units_.IsEmpty()) os << L'(' << c->units_.ToWide() << L')';
        }
        os << L'\t';
    }
    os << L'\n';

    const int32_t rows = RowCount();
    for (int32_t row = 0; row < rows; ++row) {
        for (const ColumnPtr& c : columns_) {
            os.width(width);
            if (c && row < static_cast<int32_t>(c->values_.size()) && !std::isnan(c->values_[static_cast<size_t>(row)]))
                os << c->values_[static_cast<size_t>(row)];
            else
                os << L"*";
            os << L'\t';
        }
        os << L'\n';
    }
    os << L'\0';
}

}  // namespace GUILib
