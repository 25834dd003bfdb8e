#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "foundation/message_box.h"

namespace {

TEST(MessageBox, AnInstalledPresenterReceivesEveryMessageAndIsRestored)
{
    std::vector<KVI::MessageBoxRequest> seen;
    {
        KVI::ScopedMessagePresenter scope([&](const KVI::MessageBoxRequest& m) { seen.push_back(m); });
        KVI::ShowMessage(KVI::String(u"Tessar"), KVI::String(u"first"));
        KVI::ShowMessage(KVI::String(u"Tessar"), KVI::String(u"second"), KVI::MessageIcon::Warning);
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, KVI::String(u"Tessar"));
    EXPECT_EQ(seen[0].text, KVI::String(u"first"));
    EXPECT_EQ(seen[0].icon, KVI::MessageIcon::Stop);
    EXPECT_EQ(seen[1].icon, KVI::MessageIcon::Warning);

    // After the scope the default (standard error) is back: nothing more reaches the old one.
    testing::internal::CaptureStderr();
    KVI::ShowMessage(KVI::String(u"Tessar"), KVI::String(u"third \u00B5"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(err, "Tessar: third \xC2\xB5\n");
}

}  // namespace
