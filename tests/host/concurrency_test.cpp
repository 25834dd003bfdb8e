// The framework's shared objects used from several threads at once: the registry's
// identifiers, the unit list, a document growing while streams read it, and the host object's
// message log. Run under ThreadSanitizer by CI.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "interfaces/message_service.h"
#include "host/zor/document.h"
#include "host/zor/host_application.h"
#include "host/zor/message_service.h"
#include "host/zor/registry.h"
#include "host/zor/unit_list.h"
#include "host/zor/units_service.h"
#include "tests/host/temp_dir.h"

namespace {

using platform::ComPtr;

template <class F>
void OnThreads(int count, F f)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) threads.emplace_back(f, t);
    for (auto& th : threads) th.join();
}

GUID NumberedGuid(uint32_t n)
{
    GUID g = platform::Guid("{00000000-5EED-4000-8000-000000000000}");
    g.Data1 = n;
    return g;
}

TEST(Concurrency, RegistryIdentifiersAreAgreedAcrossThreads)
{
    constexpr uint32_t kTypes = 300;
    std::vector<std::vector<uint16_t>> seen(6, std::vector<uint16_t>(kTypes));
    OnThreads(6, [&](int t) {
        // Each thread asks in its own order.
        for (uint32_t i = 0; i < kTypes; ++i) {
            const uint32_t n = (i * 7 + static_cast<uint32_t>(t) * 31) % kTypes;
            Zor::Registry::Instance()->GetTypeIdentifier(NumberedGuid(n), &seen[static_cast<size_t>(t)][n]);
        }
    });
    const std::set<uint16_t> distinct(seen[0].begin(), seen[0].end());
    EXPECT_EQ(distinct.size(), kTypes);
    EXPECT_EQ(distinct.count(0), 0u);
    for (const auto& s : seen) EXPECT_EQ(s, seen[0]);
    for (uint32_t n = 0; n < kTypes; ++n) {
        GUID back{};
        ASSERT_EQ(Zor::Registry::Instance()->GetTypeGuid(seen[0][n], &back), S_OK);
        EXPECT_EQ(back, NumberedGuid(n));
    }
}

TEST(Concurrency, UnitsAddedFromSeveralThreadsAreAllKept)
{
    ZorTest::TempDir dir;
    const std::string path = dir.File("units.txt");
    ComPtr<Zor::UnitList> list = Zor::UnitList::Create(path);
    int32_t before = 0;
    list->GetCount(0, &before);
    OnThreads(4, [&](int t) {
        for (int i = 0; i < 25; ++i) {
            KVI::UnitInfo info;
            info.prefix_ = 8;
            info.name_ = KVI::String(("unit " + std::to_string(t) + "." + std::to_string(i)).c_str());
            ComPtr<IUnitName> unit = ComPtr<IUnitName>::Adopt(Zor::NewUnitName(info));
            int32_t index = -1, found = -1, count = 0;
            EXPECT_EQ(list->Add(0, unit.Get(), &index), S_OK);
            EXPECT_EQ(list->IndexOf(0, unit.Get(), &found), S_OK);
            list->GetCount(0, &count);
            EXPECT_GT(count, found);
        }
    });
    int32_t after = 0;
    list->GetCount(0, &after);
    EXPECT_EQ(after, before + 100);
    ComPtr<Zor::UnitList> reread = Zor::UnitList::Create(path);
    int32_t reread_count = 0;
    reread->GetCount(0, &reread_count);
    EXPECT_EQ(reread_count, after);
}

// One thread appends 0, 1, 2, ... while others take streams and read them: every stream must
// read a run 0, 1, ..., n-1 of the samples there were when it was made.
TEST(Concurrency, StreamsReadWhileTheRecordingGrows)
{
    ComPtr<Zor::Document> doc = Zor::Document::Create();
    doc->AddChannel(nullptr, nullptr);
    doc->AddBlock(nullptr);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread writer([&] {
        std::vector<float> piece(97);
        for (int next = 0; next < 200000; next += 97) {
            for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<float>(next + static_cast<int>(i));
            doc->AppendSamples(0, 0, piece.data(), static_cast<uint32_t>(piece.size()));
        }
        done = true;
    });
    OnThreads(3, [&](int) {
        while (!done) {
            ComPtr<IEnumFloatEx> stream;
            doc->CreateSampleStream(0, 0, 0, INT64_MAX, stream.Put());
            float buffer[1000];
            uint32_t got = 0;
            int64_t expected = 0;
            while (stream->Next(1000, buffer, &got), got > 0) {
                for (uint32_t i = 0; i < got; ++i, ++expected)
                    if (buffer[i] != static_cast<float>(expected)) ++bad;
            }
        }
    });
    writer.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(Concurrency, MessagesFromSeveralThreadsAreAllLogged)
{
    Zor::HostApplication* host = Zor::HostApplication::Instance();
    host->ClearMessages();
    OnThreads(4, [&](int t) {
        for (int i = 0; i < 50; ++i) {
            ComPtr<IZORMessage> message;
            Zor::MessageService::Instance()->CreateMessage(static_cast<uint32_t>(t), 0, 0, 0, 0, nullptr,
                                                           message.Put());
            message->SendTo(static_cast<IHostApplication*>(host));
            int32_t count = 0;
            host->GetMessageCount(&count);
        }
    });
    int32_t count = 0;
    host->GetMessageCount(&count);
    EXPECT_EQ(count, 200);
    host->ClearMessages();
}

}  // namespace
