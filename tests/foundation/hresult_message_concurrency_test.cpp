// HResultMessage from several threads at once: every call must return its own, complete text
// (run under ThreadSanitizer in CI).
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "foundation/hresult_message.h"
#include "foundation/xkvi.h"
#include "platform/string_table.h"

namespace {

constexpr platform::StringResource kHostTexts[] = {
    {57345, u"First own error"},
    {57349, u"The settings were stored by a newer version"},
};

TEST(HResultMessageConcurrency, EveryCallerGetsItsOwnText)
{
    platform::RegisterStringTable(nullptr, kHostTexts, std::size(kHostTexts));
    const HRESULT codes[] = {E_NOTIMPL,   E_INVALIDARG,  HResultFromErrno(ENOENT), HResultFromErrno(EACCES),
                             KviError(0), STG_E_OLDDLL, KVI_E_MESSAGE,            static_cast<HRESULT>(0x80991234)};
    // Expected texts, computed before any thread starts.
    std::vector<std::string> expected;
    for (HRESULT code : codes) expected.push_back(KVI::HResultMessage(code).ToUtf8());

    constexpr int kThreads = 6;
    constexpr int kRounds = 300;
    std::atomic<int> mismatches{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            // A message held across other threads' calls must not change under its holder.
            const KVI::String held = KVI::HResultMessage(codes[t % std::size(codes)]);
            for (int r = 0; r < kRounds; ++r) {
                const size_t k = static_cast<size_t>(t + r) % std::size(codes);
                if (KVI::HResultMessage(codes[k]).ToUtf8() != expected[k]) ++mismatches;
                if (r % 50 == 0) {
                    try {
                        RaiseHResult(codes[k]);
                    } catch (const XKVI& e) {
                        if (e.what() != expected[k]) ++mismatches;
                    }
                }
            }
            if (held.ToUtf8() != expected[t % std::size(codes)]) ++mismatches;
        });
    }
    go = true;
    for (std::thread& th : threads) th.join();
    platform::UnregisterStringTable(nullptr);

    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(expected[0], "Not implemented.");
    EXPECT_EQ(expected[4], "First own error");
}

}  // namespace
