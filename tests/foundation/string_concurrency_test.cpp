// Strings across threads: process-wide singletons made on first use from several threads at
// once, and handles of one representation copied, released, read and made private on several
// threads. Run under ThreadSanitizer in CI (label "concurrency").
#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "foundation/host_names.h"
#include "foundation/kvi_string.h"

namespace {

using KVI::String;

constexpr int kThreads = 4;

// Runs body(thread index) on kThreads threads released together.
template <class Body>
void RunTogether(Body body)
{
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            body(t);
        });
    for (auto& th : threads) th.join();
}

int32_t Refs(const String& s)
{
    s.Interface()->AddRef();
    return static_cast<int32_t>(s.Interface()->Release());
}

// Must stay the first test of this program: nothing before it has made an empty string or
// loaded a substituted text, so the threads race to make both.
TEST(StringConcurrencyTest, FirstUseOfTheSharedEmptyStringAndTheNameTable)
{
    static constexpr platform::StringResource table[] = {{1, u"the VELLO Window"}};
    const auto module = reinterpret_cast<HMODULE>(0x4321);
    platform::RegisterStringTable(module, table, 1);

    const char16_t* empties[kThreads] = {};
    const KVI::HostNameTable* tables[kThreads] = {};
    std::u16string loaded[kThreads];
    RunTogether([&](int t) {
        const String empty;
        empties[t] = empty.c_str();
        loaded[t] = std::u16string(KVI::LoadString(module, 1).View());
        tables[t] = &KVI::HostNames();
    });
    platform::UnregisterStringTable(module);

    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(empties[t], String().c_str());
        EXPECT_EQ(tables[t], &KVI::HostNames());
        EXPECT_EQ(loaded[t], u"the Velogram Window");
    }
}

TEST(StringConcurrencyTest, HandlesOfOneRepresentationCopiedAndReleased)
{
    const String shared(u"one representation on every thread");
    RunTogether([&](int) {
        std::vector<String> held;
        for (int i = 0; i < 2000; ++i) {
            held.push_back(shared);
            String moved(std::move(held.back()));
            held.back() = moved;
            IAutoKVIString* handed = shared.NewReference();
            handed->Release();
            if (held.size() > 16) held.clear();
        }
    });
    EXPECT_EQ(Refs(shared), 1);
    EXPECT_EQ(shared.View(), u"one representation on every thread");
}

TEST(StringConcurrencyTest, LastHolderOnAnyThreadFreesTheRepresentation)
{
    // Each round hands one representation to every thread; whichever thread drops the last
    // reference frees it (AddressSanitizer and ThreadSanitizer see the accesses).
    for (int round = 0; round < 200; ++round) {
        std::vector<String> copies(kThreads, String(u"round text that outlives its maker"));
        RunTogether([&](int t) {
            const String mine = std::move(copies[size_t(t)]);
            EXPECT_EQ(mine.Length(), 34);
        });
    }
}

TEST(StringConcurrencyTest, CopyOnWriteAndNarrowTextOnSeveralThreads)
{
    const String shared(u"base");
    const char* narrow[kThreads] = {};
    std::u16string changed[kThreads];
    RunTogether([&](int t) {
        narrow[t] = shared.Narrow();  // one copy made, read by every thread
        String mine(shared);
        for (int i = 0; i < 100; ++i) {
            String next(mine);
            next += u"+";
            mine = next;  // the old representation is released while others may hold it
        }
        mine.Replace(0, 4, String(std::u16string(1, char16_t(u'0' + t))));
        changed[t] = std::u16string(mine.View());
    });
    EXPECT_EQ(shared.View(), u"base");
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(narrow[t], shared.Narrow());
        EXPECT_EQ(changed[t], std::u16string(1, char16_t(u'0' + t)) + std::u16string(100, u'+'));
    }
    EXPECT_STREQ(shared.Narrow(), "base");
}

}  // namespace
