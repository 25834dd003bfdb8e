// The tabulated data as a table: columns, values, argument checks, value streams, the stored
// form and the text form, the settings it keeps, and its interface faces with their reference
// count.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "interfaces/record_data_pixmap.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "tests/guilib/table_doubles.h"
#include "tests/support/memory_object_stream.h"

namespace {

using GUILib::CTabulatedData;
using KVI::String;
using platform::ComPtr;
using TableTest::FloatSource;
using TableTest::Listener;
using TestSupport::MemoryObjectStream;
using TestSupport::StoredValue;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr uint32_t kTypeId = 0x00070003;

ComPtr<CTabulatedData> NewTable() { return ComPtr<CTabulatedData>(new CTabulatedData(kTypeId)); }

// Appends one column per entry, named c0, c1, ... with unit u0, u1, ...
void Fill(CTabulatedData& t, const std::vector<std::vector<float>>& columns)
{
    int32_t first = 0;
    ASSERT_EQ(t.GetColumnCount(&first), S_OK);
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::u16string n = u"c" + std::u16string(1, char16_t(u'0' + i));
        const std::u16string u = u"u" + std::u16string(1, char16_t(u'0' + i));
        ASSERT_EQ(t.AddColumn(String(n).Interface(), String(u).Interface()), S_OK);
        for (float v : columns[i]) ASSERT_EQ(t.AppendValue(first + int32_t(i), v), S_OK);
    }
}

std::vector<float> Values(CTabulatedData& t, int32_t column)
{
    int32_t length = 0;
    EXPECT_EQ(t.GetColumnLength(column, &length), S_OK);
    std::vector<float> v(size_t(length) + 1, -99.0f);
    uint32_t n = 0;
    EXPECT_EQ(t.GetValues(column, 0, uint32_t(length) + 1, v.data(), &n), S_OK);
    v.resize(n);
    return v;
}

std::vector<int32_t> Lengths(CTabulatedData& t)
{
    int32_t count = 0;
    t.GetColumnCount(&count);
    std::vector<int32_t> lengths;
    for (int32_t i = 0; i < count; ++i) {
        int32_t n = -1;
        t.GetColumnLength(i, &n);
        lengths.push_back(n);
    }
    return lengths;
}

std::u16string TextOf(HRESULT (CTabulatedData::*get)(int32_t, IAutoKVIString**), CTabulatedData& t, int32_t c)
{
    ComPtr<IAutoKVIString> s;
    EXPECT_EQ((t.*get)(c, s.Put()), S_OK);
    return std::u16string(String(s.Get()).View());
}

// The stored values of a table.
std::vector<StoredValue> Stored(CTabulatedData& t)
{
    MemoryObjectStream out;
    EXPECT_EQ(t.Save(out.Out()), S_OK);
    return out.Values();
}

// ---------------------------------------------------------------------------------------------

TEST(TabulatedData, RowCountIsTheLongestColumnAndShortestTheShortest)
{
    auto t = NewTable();
    int32_t rows = -1, shortest = -1;
    EXPECT_EQ(t->GetRowCount(&rows), S_OK);
    EXPECT_EQ(t->GetShortestColumnLength(&shortest), S_OK);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(shortest, 0);

    Fill(*t.Get(), {{1, 2, 3}, {1, 2, 3, 4, 5}});
    t->GetRowCount(&rows);
    t->GetShortestColumnLength(&shortest);
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(shortest, 3);
}

TEST(TabulatedData, ExtremesRankNaNAwayAndKeepTheFirstOfEqualValues)
{
    struct Case {
        const char* name;
        std::vector<float> values;
        bool largest;
        HRESULT result;
        float value;  // compared bit for bit, so +0 and -0 differ
    };
    const Case cases[] = {
        {"min skips NaN, first of the two 1s", {2, kNaN, 1, 1}, false, S_OK, 1},
        {"max of NaN only fails", {kNaN, kNaN}, true, E_FAIL, kNaN},
        {"min of NaN only fails", {kNaN}, false, E_FAIL, kNaN},
        {"max of an empty column fails", {}, true, E_FAIL, kNaN},
        {"max with NaN first", {kNaN, 3, kNaN, 5, -1}, true, S_OK, 5},
        {"min of negative values", {-1, -7, 4, -7}, false, S_OK, -7},
        {"first of equal minima: +0 before -0", {0.0f, -0.0f}, false, S_OK, 0},
        {"first of equal maxima: -0 before +0", {-0.0f, 0.0f}, true, S_OK, -0.0f},
        {"infinities are numbers", {kNaN, -INFINITY, 2}, false, S_OK, -INFINITY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = NewTable();
        Fill(*t.Get(), {c.values});
        float v = 123;
        const HRESULT hr = c.largest ? t->GetColumnMax(0, &v) : t->GetColumnMin(0, &v);
        EXPECT_EQ(hr, c.result);
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(v));
        } else {
            EXPECT_EQ(std::bit_cast<uint32_t>(v), std::bit_cast<uint32_t>(c.value)) << v;
        }
    }
}

TEST(TabulatedData, EveryColumnOperationRejectsABadIndexAndChangesNothing)
{
    auto t = NewTable();
    Fill(*t.Get(), {{1, 2}, {3}});
    const std::vector<StoredValue> before = Stored(*t.Get());
    FloatSource source({5, 6});
    float f[4] = {};
    uint32_t n = 0;
    int32_t i = 0;
    const String name(u"n");
    for (const int32_t bad : {-1, 2, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(bad);
        ComPtr<IAutoKVIString> s;
        ComPtr<IEnumFloatEx> e;
        EXPECT_EQ(t->SetColumnName(bad, name.Interface()), E_INVALIDARG);
        EXPECT_EQ(t->SetColumnUnits(bad, name.Interface()), E_INVALIDARG);
        EXPECT_EQ(t->RemoveColumn(bad), E_INVALIDARG);
        EXPECT_EQ(t->AppendValue(bad, 1), E_INVALIDARG);
        EXPECT_EQ(t->AppendValues(bad, 2, &source, &n), E_INVALIDARG);
        EXPECT_EQ(t->InsertValues(bad, 0, 2, &source, &n), E_INVALIDARG);
        EXPECT_EQ(t->GetColumnName(bad, s.Put()), E_INVALIDARG);
        EXPECT_EQ(t->GetColumnUnits(bad, s.Put()), E_INVALIDARG);
        EXPECT_EQ(t->EnumColumn(bad, 0, 10, e.Put()), E_INVALIDARG);
        EXPECT_FALSE(e);
        EXPECT_EQ(t->GetValues(bad, 0, 4, f, &n), E_INVALIDARG);
        EXPECT_EQ(t->GetColumnLength(bad, &i), E_INVALIDARG);
        EXPECT_EQ(t->GetColumnMax(bad, f), E_INVALIDARG);
        EXPECT_EQ(t->GetColumnMin(bad, f), E_INVALIDARG);
        EXPECT_EQ(t->SetColumnTag(bad, 1), E_INVALIDARG);
        EXPECT_EQ(t->GetColumnTag(bad, &i), E_INVALIDARG);
    }
    // Position and start checks of a valid column.
    EXPECT_EQ(t->InsertValues(1, 2, 2, &source, &n), E_INVALIDARG);
    EXPECT_EQ(t->InsertValues(1, -1, 2, &source, &n), E_INVALIDARG);
    EXPECT_EQ(t->GetValues(1, 2, 4, f, &n), E_INVALIDARG);
    EXPECT_EQ(t->GetValues(1, -1, 4, f, &n), E_INVALIDARG);
    ComPtr<IEnumFloatEx> e;
    EXPECT_EQ(t->EnumColumn(0, -1, 10, e.Put()), E_INVALIDARG);
    EXPECT_EQ(t->SetColumnCount(-1), E_INVALIDARG);
    EXPECT_TRUE(source.Asked().empty());
    EXPECT_EQ(Stored(*t.Get()), before);
}

TEST(TabulatedData, RemoveRowsCutsEachColumnThatReachesTheFirstRow)
{
    auto t = NewTable();
    Fill(*t.Get(), {{0, 1, 2}, {0, 1, 2, 3, 4, 5}, {0}});
    EXPECT_EQ(t->RemoveRows(4, 4), E_INVALIDARG);
    EXPECT_EQ(t->RemoveRows(5, 4), E_INVALIDARG);
    EXPECT_EQ(t->RemoveRows(-1, 2), E_INVALIDARG);
    EXPECT_EQ(t->RemoveRows(0, 7), E_INVALIDARG);
    EXPECT_EQ(Lengths(*t.Get()), (std::vector<int32_t>{3, 6, 1}));

    Listener l;
    t->AddObserver(l.Table());
    EXPECT_EQ(t->RemoveRows(2, 4), S_OK);
    EXPECT_EQ(Values(*t.Get(), 0), (std::vector<float>{0, 1}));
    EXPECT_EQ(Values(*t.Get(), 1), (std::vector<float>{0, 1, 4, 5}));
    EXPECT_EQ(Values(*t.Get(), 2), (std::vector<float>{0}));
    EXPECT_EQ(l.Log(), (std::vector<std::string>{"rows 0", "rows 1"}));

    EXPECT_EQ(t->RemoveRows(0, 4), S_OK);
    EXPECT_EQ(Lengths(*t.Get()), (std::vector<int32_t>{0, 0, 0}));
    t->RemoveObserver(l.Table());
}

TEST(TabulatedData, AppendAndInsertReadFromASource)
{
    auto t = NewTable();
    Fill(*t.Get(), {{1, 2}});
    uint32_t n = 99;

    FloatSource three({7, 8, 9});
    EXPECT_EQ(t->AppendValues(0, 2, &three, &n), S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(t->AppendValues(0, 5, &three, &n), S_OK);  // the source has one left
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(Values(*t.Get(), 0), (std::vector<float>{1, 2, 7, 8, 9}));

    FloatSource two({-1, -2});
    EXPECT_EQ(t->InsertValues(0, 1, 10, &two, &n), S_OK);
    EXPECT_EQ(n, 2u);
    FloatSource end({42});
    EXPECT_EQ(t->InsertValues(0, 7, 1, &end, nullptr), S_OK);  // at the end
    EXPECT_EQ(Values(*t.Get(), 0), (std::vector<float>{1, -1, -2, 2, 7, 8, 9, 42}));

    // A failing source: its status, nothing changed.
    FloatSource broken({1, 2, 3}, E_UNEXPECTED);
    EXPECT_EQ(t->AppendValues(0, 3, &broken, &n), E_UNEXPECTED);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(t->InsertValues(0, 0, 3, &broken, &n), E_UNEXPECTED);
    EXPECT_EQ(Values(*t.Get(), 0).size(), 8u);
    EXPECT_EQ(t->AppendValues(0, 3, nullptr, &n), E_POINTER);

    // A large count is asked for in pieces, and stops at the source's end.
    std::vector<float> many(2500);
    for (size_t i = 0; i < many.size(); ++i) many[i] = float(i);
    FloatSource big(many);
    EXPECT_EQ(t->AppendValues(0, 4000000000u, &big, &n), S_OK);
    EXPECT_EQ(n, 2500u);
    EXPECT_EQ(big.Asked(), (std::vector<uint32_t>{1024, 1024, 1024}));
    const std::vector<float> v = Values(*t.Get(), 0);
    ASSERT_EQ(v.size(), 2508u);
    EXPECT_EQ(v[8], 0);
    EXPECT_EQ(v[2507], 2499);
}

TEST(TabulatedData, GetValuesCopiesWhatTheColumnHolds)
{
    auto t = NewTable();
    Fill(*t.Get(), {{1, 2, 3}});
    float f[3] = {0, 0, 0};
    uint32_t n = 99;
    EXPECT_EQ(t->GetValues(0, 1, 5, f, &n), S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(f[0], 2);
    EXPECT_EQ(f[1], 3);
    EXPECT_EQ(t->GetValues(0, 3, 5, f, &n), S_OK);  // start at the length: nothing, no failure
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(t->GetValues(0, 0, 2, nullptr, &n), E_POINTER);
}

TEST(TabulatedData, ColumnsHaveNamesUnitsAndTags)
{
    auto t = NewTable();
    ASSERT_EQ(t->AddColumn(nullptr, nullptr), S_OK);
    EXPECT_EQ(TextOf(&CTabulatedData::GetColumnName, *t.Get(), 0), u"");
    EXPECT_EQ(t->SetColumnName(0, String(u"Raw Values").Interface()), S_OK);
    EXPECT_EQ(t->SetColumnUnits(0, String(u"mV").Interface()), S_OK);
    EXPECT_EQ(TextOf(&CTabulatedData::GetColumnName, *t.Get(), 0), u"Raw Values");
    EXPECT_EQ(TextOf(&CTabulatedData::GetColumnUnits, *t.Get(), 0), u"mV");

    int32_t tag = -1;
    EXPECT_EQ(t->GetColumnTag(0, &tag), S_OK);
    EXPECT_EQ(tag, 0);
    EXPECT_EQ(t->SetColumnTag(0, 77), S_OK);
    EXPECT_EQ(t->GetColumnTag(0, &tag), S_OK);
    EXPECT_EQ(tag, 77);
    EXPECT_EQ(t->GetColumnTag(0, nullptr), E_INVALIDARG);

    EXPECT_EQ(t->SetColumnCount(3), S_OK);
    EXPECT_EQ(Lengths(*t.Get()), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(TextOf(&CTabulatedData::GetColumnName, *t.Get(), 2), u"");
    EXPECT_EQ(t->RemoveColumn(1), S_OK);
    EXPECT_EQ(Lengths(*t.Get()).size(), 2u);
    EXPECT_EQ(t->RemoveAllColumns(), S_OK);
    EXPECT_TRUE(Lengths(*t.Get()).empty());
}

TEST(TabulatedData, SettingsAreKeptAsGiven)
{
    auto t = NewTable();
    int32_t pair[2] = {0, 0};
    int32_t value = 0;
    EXPECT_EQ(t->GetRange(pair, &value), S_OK);
    EXPECT_EQ(pair[0], 2147483647);
    EXPECT_EQ(pair[1], 2147483647);
    EXPECT_EQ(value, 2147483647);
    const int32_t newPair[2] = {-5, 9};
    const int32_t newValue = 3;
    EXPECT_EQ(t->SetRange(nullptr, &newValue), E_FAIL);
    EXPECT_EQ(t->SetRange(newPair, nullptr), E_FAIL);
    EXPECT_EQ(t->GetRange(pair, nullptr), E_FAIL);
    EXPECT_EQ(t->SetRange(newPair, &newValue), S_OK);
    EXPECT_EQ(t->GetRange(pair, &value), S_OK);
    EXPECT_EQ(pair[0], -5);
    EXPECT_EQ(pair[1], 9);
    EXPECT_EQ(value, 3);

    // The source is held with a reference and handed out with another.
    Listener a, b;
    EXPECT_EQ(t->SetSource(a.Table()), S_OK);
    EXPECT_EQ(a.RefCount(), 1);
    ComPtr<IUnknown> got;
    EXPECT_EQ(t->GetSource(got.Put()), S_OK);
    EXPECT_EQ(got.Get(), static_cast<IUnknown*>(a.Table()));
    EXPECT_EQ(a.RefCount(), 2);
    got.Reset();
    EXPECT_EQ(t->SetSource(b.Table()), S_OK);
    EXPECT_EQ(a.RefCount(), 0);
    EXPECT_EQ(b.RefCount(), 1);
    EXPECT_EQ(t->SetSource(nullptr), S_OK);
    EXPECT_EQ(b.RefCount(), 0);
    EXPECT_EQ(t->GetSource(got.Put()), S_OK);
    EXPECT_FALSE(got);
}

TEST(TabulatedData, EveryFaceSharesOneReferenceCount)
{
    CTabulatedData* t = new CTabulatedData(kTypeId);
    EXPECT_EQ(t->AddRef(), 1u);
    const IID faces[] = {IID_IUnknown,         IID_ITabulatedData,   IID_ITabulatedSettings,
                         IID_IRecordData,      IID_IRecordDataObservers, IID_IVelloDataObservers,
                         IID_IOnlineDataSink,  IID_IOnlineDataSinkBase,  IID_IPersistObject};
    void* identity = nullptr;
    ASSERT_EQ(t->QueryInterface(IID_IUnknown, &identity), S_OK);
    EXPECT_EQ(t->AddRef(), 3u);
    EXPECT_EQ(t->Release(), 2u);
    for (const IID& iid : faces) {
        void* p = nullptr;
        ASSERT_EQ(t->QueryInterface(iid, &p), S_OK);
        IUnknown* face = static_cast<IUnknown*>(p);
        EXPECT_EQ(face->AddRef(), 4u);
        // From any face, IUnknown is the same object.
        void* back = nullptr;
        ASSERT_EQ(face->QueryInterface(IID_IUnknown, &back), S_OK);
        EXPECT_EQ(back, identity);
        EXPECT_EQ(static_cast<IUnknown*>(back)->Release(), 4u);
        EXPECT_EQ(face->Release(), 3u);
        EXPECT_EQ(face->Release(), 2u);
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(t->QueryInterface(IID_IEnumFloatEx, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(t->QueryInterface(IID_ITabulatedData, nullptr), E_POINTER);
    EXPECT_EQ(static_cast<IUnknown*>(identity)->Release(), 1u);
    // The last Release deletes (the leak checker would notice otherwise).
    EXPECT_EQ(t->Release(), 0u);
}

TEST(TabulatedData, ReleasingTheTableReleasesWhatItHolds)
{
    Listener table, record, sink, source;
    {
        auto t = NewTable();
        EXPECT_EQ(t->AddObserver(table.Table()), S_OK);
        EXPECT_EQ(t->AddObserver(table.Table()), S_OK);  // twice: two references
        EXPECT_EQ(t->AddRecordObserver(record.Record()), S_OK);
        EXPECT_EQ(t->AddOnlineSink(sink.Sink()), S_OK);
        EXPECT_EQ(t->SetSource(source.Table()), S_OK);
        EXPECT_EQ(table.RefCount(), 2);
        EXPECT_EQ(record.RefCount(), 1);
        EXPECT_EQ(sink.RefCount(), 1);
        EXPECT_EQ(t->RemoveObserver(table.Table()), S_OK);
        EXPECT_EQ(table.RefCount(), 1);
        EXPECT_EQ(t->RemoveRecordObserver(record.Record()), S_OK);
        EXPECT_EQ(t->RemoveRecordObserver(record.Record()), E_FAIL);
        EXPECT_EQ(t->RemoveOnlineSink(nullptr), E_FAIL);
        EXPECT_EQ(t->AddObserver(nullptr), E_POINTER);
        EXPECT_EQ(record.RefCount(), 0);
    }
    EXPECT_EQ(table.RefCount(), 0);
    EXPECT_EQ(sink.RefCount(), 0);
    EXPECT_EQ(source.RefCount(), 0);
}

TEST(TabulatedData, TextFormMarksMissingValuesAndEndsEveryLineWithATab)
{
    auto t = NewTable();
    t->AddColumn(String(u"x").Interface(), String(u"V").Interface());
    t->AddColumn(String(u"y").Interface(), nullptr);
    t->AppendValue(0, 1);
    t->AppendValue(1, 2);
    t->AppendValue(0, 3);
    std::wostringstream os;
    t->WriteText(os);
    EXPECT_EQ(os.str(), std::wstring(L"x(V)\ty\t\n1\t2\t\n3\t*\t\n") + L'\0');

    // The caller's number format and field width apply to the cells only.
    std::wostringstream fixed;
    fixed.setf(std::ios::fixed);
    fixed.precision(2);
    fixed.width(6);
    t->WriteText(fixed);
    EXPECT_EQ(fixed.str(), std::wstring(L"x(V)\ty\t\n  1.00\t  2.00\t\n  3.00\t     *\t\n") + L'\0');

    std::wostringstream empty;
    NewTable()->WriteText(empty);
    EXPECT_EQ(empty.str(), std::wstring(L"\n") + L'\0');
}

TEST(TabulatedData, RecordDataFaceAnswersAsOneBlock)
{
    auto t = NewTable();
    int32_t i = -1;
    EXPECT_EQ(t->GetBlockCount(&i), S_OK);
    EXPECT_EQ(i, 0);
    Fill(*t.Get(), {{1.5f, 2.5f}, {}, {4, 5, 6}});

    EXPECT_EQ(t->GetChannelCount(&i), S_OK);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(t->GetSampleCount(kCurrentBlockSelector, &i), S_OK);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(t->GetBlockCount(&i), S_OK);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(t->GetChannelSampleCount(1, 0, &i), S_OK);
    EXPECT_EQ(i, 3);  // the row count, whatever the column's own length
    EXPECT_EQ(t->GetChannelSampleCount(3, 0, &i), E_INVALIDARG);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(t->GetBlockLength(0, 0, &i), S_OK);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(t->GetBlockLength(0, 1, &i), E_INVALIDARG);
    EXPECT_EQ(i, 0);
    RecordExtent extent{-1, -1};
    EXPECT_EQ(t->GetChannelExtent(0, 0, &extent), S_OK);
    EXPECT_EQ(extent.sampleCount, 3);
    EXPECT_EQ(extent.firstSample, 0);
    EXPECT_EQ(t->GetChannelExtent(0, 0, nullptr), E_INVALIDARG);
    i = -1;
    EXPECT_EQ(t->GetAppendingBlock(&i), S_OK);
    EXPECT_EQ(i, 0);
    int64_t width = -1;
    EXPECT_EQ(t->GetBlockWidth(kCurrentBlockSelector, 0, 3, 7, &width), S_OK);
    EXPECT_EQ(width, 3);

    VARIANT_BOOL has = 5;
    EXPECT_EQ(t->HasSamples(0, 0, 0, &has), S_OK);
    EXPECT_EQ(has, VARIANT_TRUE);
    EXPECT_EQ(t->HasSamples(1, 0, 0, &has), S_OK);
    EXPECT_EQ(has, VARIANT_FALSE);
    has = 5;
    EXPECT_EQ(t->HasSamples(0, 0, 1, &has), E_INVALIDARG);
    EXPECT_EQ(has, VARIANT_FALSE);
    EXPECT_EQ(t->HasSamples(-1, 0, 0, &has), E_INVALIDARG);

    ComPtr<IAutoKVIString> s;
    EXPECT_EQ(t->GetChannelName(2, s.Put()), S_OK);
    EXPECT_EQ(String(s.Get()), String(u"c2"));
    EXPECT_EQ(t->GetChannelUnits(2, 0, s.Put()), S_OK);
    EXPECT_EQ(String(s.Get()), String(u"u2"));
    EXPECT_EQ(t->GetChannelUnits(2, 1, s.Put()), E_INVALIDARG);
    EXPECT_FALSE(s);

    float f = 0;
    double d = 0;
    EXPECT_EQ(t->GetValue(0, 0, 1, 0, nullptr, &f), S_OK);
    EXPECT_EQ(f, 2.5f);
    const double scale[2] = {2, 0.25};  // 2 * (0.25 + value)
    EXPECT_EQ(t->GetValue(0, 0, 1, 0, scale, &f), S_OK);
    EXPECT_EQ(f, 5.5f);
    EXPECT_EQ(t->GetValueDouble(2, 0, 2, 0, scale, &d), S_OK);
    EXPECT_EQ(d, 12.5);
    EXPECT_EQ(t->GetValue(0, 0, 2, 0, nullptr, &f), E_INVALIDARG);  // beyond the column
    EXPECT_TRUE(std::isnan(f));
    EXPECT_EQ(t->GetValue(0, 0, 0, 1, nullptr, &f), E_INVALIDARG);
    EXPECT_EQ(t->GetValue(0, 0, -1, 0, nullptr, &f), E_INVALIDARG);
    EXPECT_EQ(t->GetValue(0, 0, int64_t(1) << 40, 0, nullptr, &f), E_INVALIDARG);

    ComPtr<IEnumFloatEx> e;
    EXPECT_EQ(t->CreateValueEnum(2, 0, 1, int64_t(1) << 40, 0, e.Put()), S_OK);
    float buf[4] = {};
    uint32_t n = 0;
    EXPECT_EQ(e->Next(4, buf, &n), S_FALSE);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(buf[1], 6);
    EXPECT_EQ(t->CreateValueEnum(2, 0, 0, 3, 1, e.Put()), E_INVALIDARG);
    EXPECT_FALSE(e);

    int32_t slot12 = -1;
    EXPECT_EQ(t->GetAppendingBlock(&slot12), S_OK);
    EXPECT_EQ(slot12, 0);
    EXPECT_EQ(t->Reserved8(), E_NOTIMPL);
    EXPECT_EQ(t->Reserved13(), E_NOTIMPL);
    EXPECT_EQ(t->Reserved31(), E_NOTIMPL);
    ComPtr<IRecordDataPixMap> map;
    EXPECT_EQ(t->CreatePixMap(map.Put()), S_OK);  // the map itself is tested with the pixel map
    EXPECT_TRUE(map);
    IEnumFloatPixEx* pix = nullptr;
    EXPECT_EQ(t->CreatePixelEnum(0, 0, 0, -1, 1, 1, &pix), E_INVALIDARG);
    EXPECT_EQ(t->CreatePixelEnum(0, 0, 0, 1, 1, 1, &pix), E_NOTIMPL);
}

// Stored form ---------------------------------------------------------------------------------

TEST(TabulatedDataStore, SavesCountsThenEachColumnAndLoadsItBack)
{
    auto t = NewTable();
    Fill(*t.Get(), {{1, kNaN}, {}, {-2.5f}});
    t->SetColumnName(1, String(u"\u00B5s name").Interface());
    const std::vector<StoredValue> saved = Stored(*t.Get());
    const std::vector<StoredValue> expected = {
        StoredValue(uint32_t(3)), StoredValue(uint32_t(2)), StoredValue(uint32_t(0)), StoredValue(uint32_t(1)),
        StoredValue(u"c0"),       StoredValue(u"u0"),       StoredValue(1.0f),        StoredValue(kNaN),
        StoredValue(u"\u00B5s name"), StoredValue(u"u1"),   StoredValue(u"c2"),       StoredValue(u"u2"),
        StoredValue(-2.5f)};
    ASSERT_EQ(saved.size(), expected.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(saved[i].index(), expected[i].index());
        if (const float* f = std::get_if<float>(&saved[i]); f && std::isnan(*f)) continue;
        EXPECT_EQ(saved[i], expected[i]);
    }

    uint32_t type = 0;
    EXPECT_EQ(t->GetTypeId(&type), S_OK);
    EXPECT_EQ(type, kTypeId);

    auto copy = NewTable();
    Fill(*copy.Get(), {{9, 9, 9}});
    copy->SetColumnTag(0, 5);
    Listener l;
    copy->AddObserver(l.Table());
    copy->AddRecordObserver(l.Record());
    MemoryObjectStream in(saved);
    ASSERT_EQ(copy->Load(in.In()), S_OK);
    EXPECT_EQ(in.ReadPosition(), saved.size());
    EXPECT_EQ(Lengths(*copy.Get()), (std::vector<int32_t>{2, 0, 1}));
    EXPECT_EQ(Values(*copy.Get(), 2), (std::vector<float>{-2.5f}));
    EXPECT_TRUE(std::isnan(Values(*copy.Get(), 0)[1]));
    EXPECT_EQ(TextOf(&CTabulatedData::GetColumnName, *copy.Get(), 1), u"\u00B5s name");
    int32_t tag = -1;
    copy->GetColumnTag(0, &tag);
    EXPECT_EQ(tag, 0);
    EXPECT_EQ(l.Log(), (std::vector<std::string>{"record 0 0", "reset"}));
    copy->RemoveObserver(l.Table());
    copy->RemoveRecordObserver(l.Record());
}

TEST(TabulatedDataStore, AFailedLoadLeavesTheTableAsItWas)
{
    auto source = NewTable();
    Fill(*source.Get(), {{1, 2, 3}, {4}});
    const std::vector<StoredValue> good = Stored(*source.Get());

    auto t = NewTable();
    Fill(*t.Get(), {{7}});
    const std::vector<StoredValue> before = Stored(*t.Get());
    Listener l;
    t->AddObserver(l.Table());

    const auto expectUnchanged = [&](std::vector<StoredValue> values, const char* what) {
        SCOPED_TRACE(what);
        MemoryObjectStream in(std::move(values));
        EXPECT_EQ(t->Load(in.In()), E_FAIL);
        EXPECT_EQ(Stored(*t.Get()), before);
        EXPECT_TRUE(l.Log().empty());
    };
    for (size_t cut = 0; cut < good.size(); ++cut) {
        std::vector<StoredValue> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        expectUnchanged(part, "truncated");
    }
    std::vector<StoredValue> wrongKind = good;
    wrongKind[5] = StoredValue(1.0);  // a double where a string belongs
    expectUnchanged(wrongKind, "wrong kind");
    expectUnchanged({StoredValue(uint32_t(0x80000000u))}, "column count beyond 32-bit signed");
    expectUnchanged({StoredValue(uint32_t(1)), StoredValue(uint32_t(0xFFFFFFFFu))}, "length beyond 32-bit signed");
    // Absurd counts that fit: no memory is set aside for them, the stream simply ends.
    expectUnchanged({StoredValue(uint32_t(0x7FFFFFFF))}, "absurd column count");
    expectUnchanged({StoredValue(uint32_t(1)), StoredValue(uint32_t(0x7FFFFFFF)), StoredValue(u"n"),
                     StoredValue(u"u"), StoredValue(1.0f)},
                    "absurd length");

    EXPECT_EQ(t->Load(nullptr), E_POINTER);
    MemoryObjectStream empty({StoredValue(uint32_t(0))});
    EXPECT_EQ(t->Load(empty.In()), S_OK);
    int32_t columns = -1;
    t->GetColumnCount(&columns);
    EXPECT_EQ(columns, 0);
    t->RemoveObserver(l.Table());
}

TEST(TabulatedDataStore, SaveReportsAFailingStream)
{
    auto t = NewTable();
    Fill(*t.Get(), {{1, 2}});
    for (size_t limit = 0; limit < 6; ++limit) {
        MemoryObjectStream out;
        out.FailWritesAfter(limit);
        EXPECT_EQ(t->Save(out.Out()), E_FAIL) << limit;
    }
    EXPECT_EQ(t->Save(nullptr), E_POINTER);
}

}  // namespace
