#include "guilib/table/tabulated_data.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "guilib/table/enum_column_float.h"
#include "platform/interlocked.h"

namespace GUILib {
namespace {

// Values are read from a source in pieces of this size, so that a large count asks for memory
// only as the source delivers values.
constexpr uint32_t kReadChunk = 1024;

int32_t Length(const CTabulatedData::NamedDataColumn& c) { return static_cast<int32_t>(c.values_.size()); }

// The index of the extreme value of a column: the first value v for which no later value
// beats it, NaN ranking below every number when looking for the largest and above every
// number when looking for the smallest. -1 when the column holds numbers only as NaN (or
// nothing).
template <class Better>
int32_t ExtremeIndex(const std::vector<float>& values, Better better)
{
    int32_t best = -1;
    for (size_t i = 0; i < values.size(); ++i) {
        if (std::isnan(values[i])) continue;
        if (best < 0 || better(values[i], values[static_cast<size_t>(best)])) best = static_cast<int32_t>(i);
    }
    return best;
}

HRESULT ColumnExtreme(const CTabulatedData::NamedDataColumn* c, float* out, bool largest)
{
    if (!c) return E_INVALIDARG;
    if (!out) return E_POINTER;
    const int32_t i = largest ? ExtremeIndex(c->values_, [](float a, float b) { return a > b; })
                              : ExtremeIndex(c->values_, [](float a, float b) { return a < b; });
    if (i < 0) {
        *out = std::numeric_limits<float>::quiet_NaN();
        return E_FAIL;
    }
    *out = c->values_[static_cast<size_t>(i)];
    return S_OK;
}

}  // namespace

void CTabulatedData::PendingRange::Merge(int32_t f, int32_t l)
{
    if (!set) {
        first = f;
        last = l;
        set = true;
        return;
    }
    first = std::min(first, f);
    last = std::max(last, l);
}

CTabulatedData::CTabulatedData(uint32_t typeId) : typeId_(typeId) {}

// Members release the columns, the settings source and the three observer arrays.
CTabulatedData::~CTabulatedData() = default;

HRESULT CTabulatedData::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_ITabulatedData)
        *out = static_cast<ITabulatedData*>(this);
    else if (iid == IID_ITabulatedSettings)
        *out = static_cast<ITabulatedSettings*>(this);
    else if (iid == IID_IRecordData)
        *out = static_cast<IRecordData*>(this);
    else if (iid == IID_IRecordDataObservers)
        *out = static_cast<IRecordDataObservers*>(this);
    else if (iid == IID_IVelloDataObservers)
        *out = static_cast<IVelloDataObservers*>(this);
    else if (iid == IID_IOnlineDataSink || iid == IID_IOnlineDataSinkBase)
        *out = static_cast<IOnlineDataSink*>(this);
    else if (iid == IID_IPersistObject)
        *out = static_cast<IPersistObject*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

uint32_t CTabulatedData::AddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t CTabulatedData::Release()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

CTabulatedData::NamedDataColumn* CTabulatedData::Column(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= columns_.size()) return nullptr;
    return columns_[static_cast<size_t>(index)].Get();
}

int32_t CTabulatedData::RowCount() const
{
    int32_t rows = 0;
    for (const ColumnPtr& c : columns_)
        if (c) rows = std::max(rows, Length(*c));
    return rows;
}

HRESULT CTabulatedData::AddColumn(IAutoKVIString* name, IAutoKVIString* units)
{
    return Guarded([&] {
        ColumnPtr c = MakeRefCounted<NamedDataColumn>();
        c->name_ = KVI::String(name);
        c->units_ = KVI::String(units);
        columns_.push_back(std::move(c));
        AnnounceColumnChange(static_cast<int32_t>(columns_.size()));
        return S_OK;
    });
}

HRESULT CTabulatedData::SetColumnName(int32_t column, IAutoKVIString* name)
{
    NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    return Guarded([&] {
        c->name_ = KVI::String(name);  // a text of another implementation is copied
        return S_OK;
    });
}

HRESULT CTabulatedData::SetColumnUnits(int32_t column, IAutoKVIString* units)
{
    NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    return Guarded([&] {
        c->units_ = KVI::String(units);  // a text of another implementation is copied
        return S_OK;
    });
}

HRESULT CTabulatedData::RemoveColumn(int32_t column)
{
    if (!Column(column)) return E_INVALIDARG;
    columns_.erase(columns_.begin() + column);
    return Guarded([&] {
        AnnounceColumnChange(static_cast<int32_t>(columns_.size()));
        return S_OK;
    });
}

HRESULT CTabulatedData::AppendValue(int32_t column, float value)
{
    NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    return Guarded([&] {
        const int32_t old = Length(*c);
        if (old == std::numeric_limits<int32_t>::max()) return E_OUTOFMEMORY;
        c->values_.push_back(value);
        AnnounceRowChange(column, old, old + 1);
        return S_OK;
    });
}

HRESULT CTabulatedData::ReadSource(IEnumFloatEx* source, uint32_t count, std::vector<float>& values)
{
    // Asks for the whole count in pieces; a piece that comes back short is the source's end.
    while (values.size() < count) {
        const uint32_t want = std::min<uint32_t>(kReadChunk, count - static_cast<uint32_t>(values.size()));
        const size_t at = values.size();
        values.resize(at + want);
        uint32_t got = 0;
        const HRESULT hr = source->Next(want, values.data() + at, &got);
        if (FAILED(hr)) return hr;
        got = std::min(got, want);  // a source that claims more than it was asked for is cut
        values.resize(at + got);
        if (got < want) break;
    }
    return S_OK;
}

HRESULT CTabulatedData::AppendValues(int32_t column, uint32_t count, IEnumFloatEx* source, uint32_t* appended)
{
    if (appended) *appended = 0;
    NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    if (!source) return E_POINTER;
    return Guarded([&] {
        const int32_t old = Length(*c);
        // The column may not pass 2^31 - 1 values, its indexes being 32-bit.
        count = std::min<uint32_t>(count, static_cast<uint32_t>(std::numeric_limits<int32_t>::max() - old));
        std::vector<float> read;
        const HRESULT hr = ReadSource(source, count, read);
        if (FAILED(hr)) return hr;
        c->values_.insert(c->values_.end(), read.begin(), read.end());
        if (appended) *appended = static_cast<uint32_t>(read.size());
        AnnounceRowChange(column, old, Length(*c));
        return S_OK;
    });
}

HRESULT CTabulatedData::InsertValues(int32_t column, int32_t position, uint32_t count, IEnumFloatEx* source,
                                     uint32_t* inserted)
{
    if (inserted) *inserted = 0;
    NamedDataColumn* c = Column(column);
    if (!c || position < 0 || position > Length(*c)) return E_INVALIDARG;
    if (!source) return E_POINTER;
    return Guarded([&] {
        count = std::min<uint32_t>(count, static_cast<uint32_t>(std::numeric_limits<int32_t>::max() - Length(*c)));
        std::vector<float> read;
        const HRESULT hr = ReadSource(source, count, read);
        if (FAILED(hr)) return hr;
        c->values_.insert(c->values_.begin() + position, read.begin(), read.end());
        if (inserted) *inserted = static_cast<uint32_t>(read.size());
        // Every row from the insertion point on holds another value now.
        AnnounceRowChange(column, position, Length(*c));
        return S_OK;
    });
}

HRESULT CTabulatedData::RemoveRows(int32_t first, int32_t last)
{
    if (first < 0 || first >= last || last > RowCount()) return E_INVALIDARG;
    return Guarded([&] {
        for (size_t i = 0; i < columns_.size(); ++i) {
            NamedDataColumn* c = columns_[i].Get();
            if (!c || Length(*c) <= first) continue;
            const int32_t old = Length(*c);
            c->values_.erase(c->values_.begin() + first, c->values_.begin() + std::min(last, old));
            AnnounceRowChange(static_cast<int32_t>(i), first, old);
        }
        return S_OK;
    });
}

HRESULT CTabulatedData::RemoveAllColumns()
{
    columns_.clear();
    return Guarded([&] {
        AnnounceReset();
        return S_OK;
    });
}

HRESULT CTabulatedData::SetColumnCount(int32_t n)
{
    if (n < 0) return E_INVALIDARG;
    return Guarded([&] {
        // Built aside first, so that running out of memory leaves the table as it was.
        std::vector<ColumnPtr> fresh;
        fresh.reserve(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) fresh.push_back(MakeRefCounted<NamedDataColumn>());
        columns_.swap(fresh);
        AnnounceReset();
        return S_OK;
    });
}

HRESULT CTabulatedData::GetColumnName(int32_t column, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    *out = c->name_.NewReference();
    return S_OK;
}

HRESULT CTabulatedData::GetColumnUnits(int32_t column, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    *out = c->units_.NewReference();
    return S_OK;
}

HRESULT CTabulatedData::EnumColumn(int32_t column, int32_t start, int32_t limit, IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!Column(column) || start < 0) return E_INVALIDARG;
    return Guarded([&] {
        *out = CEnumColumnFloat::Create(columns_[static_cast<size_t>(column)], start, limit).Detach();
        return S_OK;
    });
}

HRESULT CTabulatedData::GetValues(int32_t column, int32_t start, uint32_t maximum, float* destination,
                                  uint32_t* count)
{
    if (count) *count = 0;
    const NamedDataColumn* c = Column(column);
    if (!c || start < 0 || start > Length(*c)) return E_INVALIDARG;
    const uint32_t n = std::min<uint32_t>(maximum, static_cast<uint32_t>(Length(*c) - start));
    if (n > 0 && !destination) return E_POINTER;
    std::copy_n(c->values_.begin() + start, n, destination);
    if (count) *count = n;
    return S_OK;
}

HRESULT CTabulatedData::AddObserver(ITabulatedDataObserver* observer)
{
    if (!observer) return E_POINTER;
    return Guarded([&] { return tableObservers_.Add(observer) ? S_OK : E_FAIL; });
}

HRESULT CTabulatedData::RemoveObserver(ITabulatedDataObserver* observer)
{
    return tableObservers_.RemoveFirst(observer) ? S_OK : E_FAIL;
}

HRESULT CTabulatedData::BeginUpdate()
{
    // Nesting deeper than the counter holds is not possible in practice; the level stops there.
    if (updateLevel_ > std::numeric_limits<int32_t>::min()) --updateLevel_;
    return S_OK;
}

HRESULT CTabulatedData::EndUpdate()
{
    if (++updateLevel_ <= 0) return S_FALSE;
    updateLevel_ = 1;
    return S_OK;
}

HRESULT CTabulatedData::GetColumnCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = static_cast<int32_t>(columns_.size());
    return S_OK;
}

HRESULT CTabulatedData::GetRowCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = RowCount();
    return S_OK;
}

HRESULT CTabulatedData::GetShortestColumnLength(int32_t* out)
{
    if (!out) return E_POINTER;
    int32_t shortest = -1;
    for (const ColumnPtr& c : columns_)
        if (c && (shortest < 0 || Length(*c) < shortest)) shortest = Length(*c);
    *out = std::max(shortest, 0);
    return S_OK;
}

HRESULT CTabulatedData::GetColumnLength(int32_t column, int32_t* out)
{
    if (!out) return E_POINTER;
    const NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    *out = Length(*c);
    return S_OK;
}

HRESULT CTabulatedData::GetColumnMax(int32_t column, float* out) { return ColumnExtreme(Column(column), out, true); }

HRESULT CTabulatedData::GetColumnMin(int32_t column, float* out) { return ColumnExtreme(Column(column), out, false); }

}  // namespace GUILib
