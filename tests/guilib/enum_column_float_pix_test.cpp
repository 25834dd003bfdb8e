// The 64-bit value stream over a column: limits (none, inside, beyond), skipping with the
// distance moved, the description ratio, clones, a stream without a column, and the reduced
// ratio type with its errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "guilib/table/enum_column_float_pix.h"
#include "platform/com_ptr.h"
#include "tests/guilib/pix_doubles.h"

namespace {

using GUILib::CEnumColumnFloatPix;
using GUILib::CTabulatedData;
using GUILib::Rational64;
using PixTest::Refs;
using platform::ComPtr;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

CEnumColumnFloatPix::ColumnPtr Column(std::vector<float> values)
{
    CEnumColumnFloatPix::ColumnPtr c(new CTabulatedData::NamedDataColumn);
    c->values_ = std::move(values);
    return c;
}

std::vector<float> ReadAll(IEnumFloatPixEx& e)
{
    std::vector<float> all;
    float buf[3];
    uint32_t n = 0;
    while (e.Next(3, buf, &n) == S_OK || n > 0) all.insert(all.end(), buf, buf + n);
    return all;
}

TEST(EnumColumnFloatPix, ReadsFromThePositionToTheLimitOrTheColumnEnd)
{
    struct Row {
        std::string name;
        int64_t position, limit;
        std::vector<float> read;
    };
    const std::vector<Row> rows = {
        {"no limit", 0, -1, {0, 1, 2, 3, 4, 5, 6}},
        {"any negative limit", 2, kMin, {2, 3, 4, 5, 6}},
        {"limit inside", 1, 4, {1, 2, 3}},
        {"limit beyond the column", 5, int64_t(1) << 40, {5, 6}},
        {"limit 0", 0, 0, {}},
        {"position beyond 32 bits", int64_t(1) << 33, -1, {}},
        {"negative position reads from 0", -5, 2, {0, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto e = CEnumColumnFloatPix::Create(Column({0, 1, 2, 3, 4, 5, 6}), row.position, row.limit);
        EXPECT_EQ(ReadAll(*e.Get()), row.read);
        float f = 0;
        uint32_t n = 9;
        EXPECT_EQ(e->Next(1, &f, &n), S_FALSE);
        EXPECT_EQ(n, 0u);
    }
}

TEST(EnumColumnFloatPix, SeesValuesAppendedLater)
{
    auto column = Column({1, 2});
    auto e = CEnumColumnFloatPix::Create(column, 0, -1);
    EXPECT_EQ(ReadAll(*e.Get()), (std::vector<float>{1, 2}));
    column->values_.push_back(3);
    EXPECT_EQ(ReadAll(*e.Get()), (std::vector<float>{3}));
}

TEST(EnumColumnFloatPix, SkipStopsAtTheEndsAndReportsTheDistance)
{
    struct Row {
        std::string name;
        int64_t from, count;
        HRESULT hr;
        int64_t to, moved;
    };
    // Ten values, limit 8.
    const std::vector<Row> rows = {
        {"inside", 2, 3, S_OK, 5, 3},
        {"back inside", 5, -5, S_OK, 0, -5},
        {"onto the end", 2, 6, S_OK, 8, 6},
        {"past the end", 2, 7, S_FALSE, 8, 6},
        {"back past the first", 3, -4, S_FALSE, 0, -3},
        {"overflow forwards", 3, kMax, S_FALSE, 8, 5},
        {"far backwards", 3, kMin, S_FALSE, 0, -3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto e = CEnumColumnFloatPix::Create(Column(std::vector<float>(10, 0.5f)), row.from, 8);
        int64_t moved = 99, at = -1;
        EXPECT_EQ(e->Skip(row.count, &moved), row.hr);
        EXPECT_EQ(moved, row.moved);
        EXPECT_EQ(e->GetPosition(&at), S_OK);
        EXPECT_EQ(at, row.to);
    }
}

TEST(EnumColumnFloatPix, DescribesOneValuePerPositionAndClonesIndependently)
{
    auto e = CEnumColumnFloatPix::Create(Column({1, 2, 3, 4}), 1, 3);
    EXPECT_EQ(Refs(e.Get()), 1u);
    int64_t num = 0, den = 0;
    EXPECT_EQ(e->Describe(&num, &den), S_OK);
    EXPECT_EQ(num, 1);
    EXPECT_EQ(den, 1);
    int64_t reserved = 42;
    EXPECT_EQ(e->Reserved6(&reserved), E_NOTIMPL);
    EXPECT_EQ(reserved, 0);

    ComPtr<IEnumFloatPixEx> clone;
    ASSERT_EQ(e->Clone(clone.Put()), S_OK);
    EXPECT_EQ(Refs(clone.Get()), 1u);
    EXPECT_EQ(ReadAll(*clone.Get()), (std::vector<float>{2, 3}));
    EXPECT_EQ(ReadAll(*e.Get()), (std::vector<float>{2, 3}));  // the original did not move
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(ReadAll(*e.Get()), (std::vector<float>{1, 2, 3}));

    ComPtr<IEnumFloatPixEx> face;
    EXPECT_EQ(e->QueryInterface(IID_IEnumFloatPixEx, face.PutVoid()), S_OK);
    EXPECT_EQ(Refs(e.Get()), 2u);
    ComPtr<IEnumFloatEx> narrow;
    EXPECT_EQ(e->QueryInterface(IID_IEnumFloatEx, narrow.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(Refs(e.Get()), 2u);
    EXPECT_EQ(e->Next(1, nullptr, nullptr), E_POINTER);
}

TEST(EnumColumnFloatPix, WithoutAColumnEverySlotFails)
{
    auto e = CEnumColumnFloatPix::Create(nullptr, 0, -1);
    int64_t v = 5, w = 5;
    uint32_t n = 5;
    ComPtr<IEnumFloatPixEx> clone;
    EXPECT_EQ(e->Skip(1, &v), E_FAIL);
    EXPECT_EQ(e->Reset(), E_FAIL);
    EXPECT_EQ(e->GetPosition(&w), E_FAIL);
    EXPECT_EQ(e->Reserved6(&v), E_FAIL);
    EXPECT_EQ(e->Next(1, nullptr, &n), E_FAIL);
    EXPECT_EQ(e->Clone(clone.Put()), E_FAIL);
    EXPECT_EQ(v + w + n, 0);  // every out value cleared
    EXPECT_FALSE(clone);
    EXPECT_EQ(e->Describe(&v, &w), E_FAIL);
}

TEST(Rational64, ReducesByTheGreatestCommonDivisorWithAPositiveDenominator)
{
    struct Row {
        int64_t n, d, rn, rd;
    };
    const Row rows[] = {
        {1, 1, 1, 1},         {6, 4, 3, 2},          {6, -4, -3, 2},          {-6, -4, 3, 2},
        {0, -5, 0, 1},        {kMin, 2, kMin / 2, 1}, {kMin, 1, kMin, 1},      {kMin, kMin, 1, 1},
        {kMax, kMax, 1, 1},   {8, kMin, -1, int64_t(1) << 60},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.n) + " / " + std::to_string(row.d));
        const Rational64 r = Rational64::Reduced(row.n, row.d);
        EXPECT_EQ(r.numerator, row.rn);
        EXPECT_EQ(r.denominator, row.rd);
    }
    EXPECT_THROW(Rational64::Reduced(1, 0), GUILib::bad_rational);
    EXPECT_THROW(Rational64::Reduced(0, 0), GUILib::bad_rational);
    EXPECT_THROW(Rational64::Reduced(7, kMin), std::overflow_error);
    EXPECT_THROW(Rational64::Reduced(kMin, -1), std::overflow_error);
}

}  // namespace
