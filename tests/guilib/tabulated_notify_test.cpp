// Change notification of the tabulated data (live, suspended, pending and their precedence),
// the relaying of online sampling, and the value stream over a column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guilib/table/enum_column_float.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "tests/guilib/table_doubles.h"

namespace {

using GUILib::CEnumColumnFloat;
using GUILib::CTabulatedData;
using platform::ComPtr;
using TableTest::Listener;
using Log = std::vector<std::string>;

// A table with two empty columns and a listener registered as table and record observer.
class Notify : public ::testing::Test {
protected:
    void SetUp() override
    {
        t_->AddColumn(nullptr, nullptr);
        t_->AddColumn(nullptr, nullptr);
        ASSERT_EQ(t_->AddObserver(l_.Table()), S_OK);
        ASSERT_EQ(t_->AddRecordObserver(l_.Record()), S_OK);
    }
    void TearDown() override
    {
        t_->RemoveObserver(l_.Table());
        t_->RemoveRecordObserver(l_.Record());
        EXPECT_EQ(l_.RefCount(), 0);
    }
    // What arrived since the last call.
    Log Heard() { return std::exchange(l_.Log(), {}); }

    ComPtr<CTabulatedData> t_{new CTabulatedData};
    Listener l_;
};

TEST_F(Notify, LiveChangesAreAnnouncedAtOnce)
{
    t_->AppendValue(1, 4);
    EXPECT_EQ(Heard(), (Log{"rows 1"}));
    t_->AddColumn(nullptr, nullptr);
    EXPECT_EQ(Heard(), (Log{"columns"}));
    t_->RemoveColumn(2);
    EXPECT_EQ(Heard(), (Log{"columns"}));
    t_->SetColumnName(0, nullptr);
    t_->SetColumnUnits(0, nullptr);
    t_->SetColumnTag(0, 3);
    EXPECT_EQ(Heard(), Log{});
    t_->SetColumnCount(1);
    EXPECT_EQ(Heard(), (Log{"record 0 0", "reset"}));
    t_->RemoveAllColumns();
    EXPECT_EQ(Heard(), (Log{"record 0 0", "reset"}));
    // Nothing is pending after live announcements.
    EXPECT_EQ(t_->SendPendingChanges(), S_OK);
    EXPECT_EQ(Heard(), Log{});
}

TEST_F(Notify, SuspendedAppendsWaitForSendPendingChanges)
{
    EXPECT_EQ(t_->BeginUpdate(), S_OK);
    t_->AppendValue(0, 1);
    t_->AppendValue(1, 2);
    t_->AppendValue(0, 3);
    EXPECT_EQ(t_->SendPendingChanges(), S_FALSE);  // still suspended
    EXPECT_EQ(t_->EndUpdate(), S_OK);
    EXPECT_EQ(Heard(), Log{});  // EndUpdate sends nothing
    EXPECT_EQ(t_->SendPendingChanges(), S_OK);
    EXPECT_EQ(Heard(), (Log{"rows 0", "rows 1"}));
    EXPECT_EQ(t_->SendPendingChanges(), S_OK);
    EXPECT_EQ(Heard(), Log{});
}

TEST_F(Notify, EndUpdateCountsLevelsAndNeverGoesAboveLive)
{
    t_->BeginUpdate();
    t_->BeginUpdate();
    EXPECT_EQ(t_->EndUpdate(), S_FALSE);
    t_->AppendValue(0, 1);
    EXPECT_EQ(Heard(), Log{});  // level 0: still suspended
    EXPECT_EQ(t_->EndUpdate(), S_OK);
    EXPECT_EQ(t_->EndUpdate(), S_OK);  // stays at 1
    // One BeginUpdate suspends again, which it would not if the level had gone to 2.
    t_->BeginUpdate();
    t_->AppendValue(1, 1);
    EXPECT_EQ(Heard(), Log{});
    EXPECT_EQ(t_->EndUpdate(), S_OK);
    t_->SendPendingChanges();
    EXPECT_EQ(Heard(), (Log{"rows 0", "rows 1"}));
}

TEST_F(Notify, PendingChangesSendOnlyTheMostGeneralKind)
{
    struct Case {
        const char* name;
        void (*changes)(CTabulatedData&);
        Log sent;
    };
    const Case cases[] = {
        {"rows only",
         [](CTabulatedData& t) {
             t.AppendValue(1, 1);
             t.RemoveRows(0, 1);
         },
         {"rows 1"}},
        {"column change over rows",
         [](CTabulatedData& t) {
             t.AppendValue(0, 1);
             t.AddColumn(nullptr, nullptr);
             t.AppendValue(1, 1);
         },
         {"columns"}},
        {"reset over everything",
         [](CTabulatedData& t) {
             t.AppendValue(0, 1);
             t.RemoveColumn(1);
             t.SetColumnCount(2);
             t.AppendValue(1, 1);
         },
         {"record 0 0", "reset"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t_->SetColumnCount(2);
        Heard();
        t_->BeginUpdate();
        c.changes(*t_.Get());
        t_->EndUpdate();
        EXPECT_EQ(Heard(), Log{});
        t_->SendPendingChanges();
        EXPECT_EQ(Heard(), c.sent);
        // What was superseded is not sent later either.
        t_->SendPendingChanges();
        EXPECT_EQ(Heard(), Log{});
    }
}

TEST_F(Notify, ALiveChangeClearsOnlyWhatItAnnounced)
{
    t_->BeginUpdate();
    t_->AppendValue(0, 1);
    t_->AppendValue(1, 1);
    t_->EndUpdate();
    t_->AppendValue(0, 2);  // live: announced now, column 0's pending rows with it
    EXPECT_EQ(Heard(), (Log{"rows 0"}));
    t_->SendPendingChanges();
    EXPECT_EQ(Heard(), (Log{"rows 1"}));
}

TEST_F(Notify, ObserversAddedTwiceHearTwiceAndMayLeaveWhileNotified)
{
    Log shared;
    Listener a(&shared, "a"), b(&shared, "b");
    t_->AddObserver(a.Table());
    t_->AddObserver(b.Table());
    t_->AddObserver(a.Table());
    EXPECT_EQ(a.RefCount(), 2);
    t_->AppendValue(0, 1);
    EXPECT_EQ(shared, (Log{"a: rows 0", "b: rows 0", "a: rows 0"}));

    // a removes both of its entries while hearing the first notification: the walk already
    // under way still reaches everyone, and nothing is called after its release.
    shared.clear();
    a.OnNextCall([&] {
        EXPECT_EQ(t_->RemoveObserver(a.Table()), S_OK);
        EXPECT_EQ(t_->RemoveObserver(a.Table()), S_OK);
        EXPECT_EQ(t_->RemoveObserver(a.Table()), E_FAIL);
    });
    t_->AppendValue(1, 1);
    EXPECT_EQ(shared, (Log{"a: rows 1", "b: rows 1", "a: rows 1"}));
    EXPECT_EQ(a.RefCount(), 0);
    shared.clear();
    t_->AppendValue(1, 1);
    EXPECT_EQ(shared, (Log{"b: rows 1"}));
    t_->RemoveObserver(b.Table());
    EXPECT_EQ(b.RefCount(), 0);
}

TEST_F(Notify, AChangeMadeWhileNotifiedIsAnnouncedToo)
{
    l_.OnNextCall([&] { t_->AppendValue(1, 9); });
    t_->AppendValue(0, 1);
    EXPECT_EQ(Heard(), (Log{"rows 0", "rows 1"}));
}

// Online sampling ----------------------------------------------------------------------------

TEST(TabulatedOnline, SamplingEventsAreRelayedInRegistrationOrder)
{
    ComPtr<CTabulatedData> t(new CTabulatedData);
    Log shared;
    Listener a(&shared, "a"), b(&shared, "b");
    EXPECT_EQ(t->AddOnlineSink(a.Sink()), S_OK);
    EXPECT_EQ(t->AddOnlineSink(b.Sink()), S_OK);
    EXPECT_EQ(t->AddOnlineSink(nullptr), E_POINTER);
    a.SetStopResult(0x5);
    b.SetStopResult(0x12);

    t->AddColumn(nullptr, nullptr);
    t->AppendValue(0, 1);  // rows before sampling starts are not counted as new
    t->OnSetupChanged(1);
    t->OnPrepareSampling(2);
    t->OnStartSampling(3);
    int32_t blocks = 0;
    t->RemoveAllColumns();
    t->GetBlockCount(&blocks);
    EXPECT_EQ(blocks, 1);  // online: one block even without rows
    t->OnBlockStart(4);
    t->OnNewData(999);  // the argument is not used: no rows, no change since the start
    t->AddColumn(nullptr, nullptr);
    t->AppendValue(0, 1);
    t->AppendValue(0, 2);
    t->OnNewData(0);
    t->OnNewData(0);  // nothing new
    t->AppendValue(0, 3);
    t->SendPendingChanges();  // sends the online notification too
    t->RemoveRows(0, 2);
    t->OnNewData(0);
    t->OnBlockEnd(4);
    uint32_t result = 0;
    EXPECT_EQ(t->OnStopSampling(6, &result), S_OK);
    EXPECT_EQ(result, 0x17u);
    EXPECT_EQ(t->OnStopSampling(6, nullptr), S_OK);
    t->AppendValue(0, 4);
    t->OnNewData(0);  // offline: nothing
    t->SendPendingChanges();

    EXPECT_EQ(shared, (Log{"a: setup 1", "b: setup 1", "a: prepare 2", "b: prepare 2", "a: start 3", "b: start 3",
                           "a: block start 4", "b: block start 4", "a: new 2", "b: new 2", "a: new 1", "b: new 1",
                           "a: new -2", "b: new -2", "a: block end 4", "b: block end 4", "a: stop 6", "b: stop 6",
                           "a: stop 6", "b: stop 6"}));
    t->GetBlockCount(&blocks);
    EXPECT_EQ(blocks, 1);  // offline, but it has rows

    int32_t interval = 0;
    EXPECT_EQ(t->GetUpdateInterval(0, &interval), S_OK);
    EXPECT_EQ(interval, 100);
    EXPECT_EQ(t->Reserved10(), E_NOTIMPL);
    EXPECT_EQ(t->Reserved11(), E_NOTIMPL);
    EXPECT_EQ(t->Reserved12(), S_OK);
    EXPECT_EQ(t->Reserved5(), E_NOTIMPL);
    EXPECT_EQ(t->Reserved6(), E_NOTIMPL);

    EXPECT_EQ(t->RemoveOnlineSink(a.Sink()), S_OK);
    EXPECT_EQ(a.RefCount(), 0);
    t.Reset();
    EXPECT_EQ(b.RefCount(), 0);
}

// Value stream over a column -------------------------------------------------------------------

class ColumnStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        t_->AddColumn(nullptr, nullptr);
        for (float v : {10.0f, 11.0f, 12.0f, 13.0f, 14.0f}) t_->AppendValue(0, v);
    }
    ComPtr<IEnumFloatEx> Stream(int32_t start, int32_t limit)
    {
        ComPtr<IEnumFloatEx> e;
        EXPECT_EQ(t_->EnumColumn(0, start, limit, e.Put()), S_OK);
        return e;
    }
    static int64_t Position(IEnumFloatEx* e)
    {
        int64_t p = -1;
        EXPECT_EQ(e->GetPosition(&p), S_OK);
        return p;
    }
    static std::vector<float> Read(IEnumFloatEx* e, uint32_t count, HRESULT expected)
    {
        std::vector<float> v(count);
        uint32_t n = 99;
        EXPECT_EQ(e->Next(count, v.data(), &n), expected);
        v.resize(n);
        return v;
    }

    ComPtr<CTabulatedData> t_{new CTabulatedData};
};

TEST_F(ColumnStream, ReadsFromTheStartUpToTheLimit)
{
    auto e = Stream(1, 4);
    EXPECT_EQ(Position(e.Get()), 1);
    EXPECT_EQ(Read(e.Get(), 2, S_OK), (std::vector<float>{11, 12}));
    EXPECT_EQ(Read(e.Get(), 5, S_FALSE), (std::vector<float>{13}));
    EXPECT_EQ(Read(e.Get(), 5, S_FALSE), std::vector<float>{});
    EXPECT_EQ(Read(e.Get(), 0, S_OK), std::vector<float>{});
    EXPECT_EQ(e->Reset(), S_OK);  // to 0, not to the start it was made with
    EXPECT_EQ(Read(e.Get(), 1, S_OK), (std::vector<float>{10}));
    EXPECT_EQ(e->Next(1, nullptr, nullptr), E_POINTER);

    // A limit beyond the column stops at its end, and the stream sees values appended later.
    auto all = Stream(3, 1000);
    EXPECT_EQ(Read(all.Get(), 5, S_FALSE), (std::vector<float>{13, 14}));
    t_->AppendValue(0, 15);
    EXPECT_EQ(Read(all.Get(), 5, S_FALSE), (std::vector<float>{15}));
    // A negative limit reads nothing.
    EXPECT_EQ(Read(Stream(0, -1).Get(), 1, S_FALSE), std::vector<float>{});
}

TEST_F(ColumnStream, SkipMovesWithinTheValuesAndStopsAtEitherEnd)
{
    struct Case {
        const char* name;
        int32_t start;
        int64_t count;
        HRESULT result;
        int64_t position;
    };
    const Case cases[] = {
        {"inside", 1, 2, S_OK, 3},
        {"to the last value", 0, 3, S_OK, 3},
        {"to the end exactly", 0, 4, S_OK, 4},
        {"past the end", 2, 10, S_FALSE, 4},
        {"back inside", 3, -2, S_OK, 1},
        {"back past the first value", 2, -5, S_FALSE, 0},
        {"near the 64-bit limit", 1, INT64_MAX, S_FALSE, 4},
        {"near the negative limit", 1, INT64_MIN, S_FALSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = Stream(c.start, 4);
        EXPECT_EQ(e->Skip(c.count), c.result);
        EXPECT_EQ(Position(e.Get()), c.position);
    }
}

TEST_F(ColumnStream, ClonesAreIndependentAndKeepTheColumnAlive)
{
    auto e = Stream(0, 5);
    EXPECT_EQ(Read(e.Get(), 2, S_OK), (std::vector<float>{10, 11}));
    ComPtr<IEnumFloatEx> copy;
    ASSERT_EQ(e->Clone(copy.Put()), S_OK);
    EXPECT_EQ(Position(copy.Get()), 2);
    EXPECT_EQ(Read(copy.Get(), 1, S_OK), (std::vector<float>{12}));
    EXPECT_EQ(Position(e.Get()), 2);

    // The table lets go of its columns; the streams still read the values they were made over.
    t_->RemoveAllColumns();
    t_.Reset();
    EXPECT_EQ(Read(e.Get(), 10, S_FALSE), (std::vector<float>{12, 13, 14}));
    EXPECT_EQ(Read(copy.Get(), 10, S_FALSE), (std::vector<float>{13, 14}));

    // Reference counts of the stream.
    EXPECT_EQ(copy->AddRef(), 2u);
    void* p = nullptr;
    EXPECT_EQ(copy->QueryInterface(IID_IEnumFloatEx, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(copy.Get()));
    EXPECT_EQ(copy->Release(), 2u);
    EXPECT_EQ(copy->Release(), 1u);
    EXPECT_EQ(copy->QueryInterface(IID_ITabulatedData, &p), E_NOINTERFACE);
}

TEST(ColumnStreamWithoutColumn, FailsEveryOperation)
{
    auto e = CEnumColumnFloat::Create(nullptr, 0, 10);
    int64_t p = 7;
    float f = 0;
    uint32_t n = 7;
    ComPtr<IEnumFloatEx> copy;
    EXPECT_EQ(e->Skip(1), E_FAIL);
    EXPECT_EQ(e->Reset(), E_FAIL);
    EXPECT_EQ(e->GetPosition(&p), E_FAIL);
    EXPECT_EQ(p, 0);
    EXPECT_EQ(e->Next(1, &f, &n), E_FAIL);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(e->Clone(copy.Put()), E_FAIL);
    EXPECT_FALSE(copy);
    EXPECT_EQ(e->Reserved6(), E_FAIL);
    EXPECT_EQ(e->Reserved7(), E_FAIL);
}

}  // namespace
