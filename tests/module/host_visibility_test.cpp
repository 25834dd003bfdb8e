// The host's answer to whether its window is visible, as the module asks its settings object.
#include <gtest/gtest.h>

#include "module/host_visibility.h"
#include "platform/com_ptr.h"
#include "tests/support/stub_host_settings.h"

namespace {

using TestSupport::StubHostSettings;

TEST(HostVisibility, OnlyADefiniteAnswerCounts)
{
    EXPECT_EQ(Tessar::HostSettingsVisibility(nullptr), std::nullopt);
    const platform::ComPtr<StubHostSettings> settings = StubHostSettings::Create();
    EXPECT_EQ(Tessar::HostSettingsVisibility(settings.Get()), std::nullopt) << "a key the host does not know";
    settings->Set(kApplicationVisibleKey, false);
    EXPECT_EQ(Tessar::HostSettingsVisibility(settings.Get()), false);
    settings->Set(kApplicationVisibleKey, true);
    EXPECT_EQ(Tessar::HostSettingsVisibility(settings.Get()), true);
    settings->SetFailing(true);
    EXPECT_EQ(Tessar::HostSettingsVisibility(settings.Get()), std::nullopt);
}

}  // namespace
