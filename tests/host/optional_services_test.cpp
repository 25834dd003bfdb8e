// The hook through which the framework library reaches its windowing services: absent until a
// provider is installed, then each lookup goes to its own service.
#include <gtest/gtest.h>

#include "host/zor/gui/optional_services.h"

namespace {

using Zor::OptionalServices;

// Each fake service answers with a result that names it, so a crossed wire shows.
HRESULT FakeScale(REFIID, void** out)
{
    *out = reinterpret_cast<void*>(0x5CA1E);
    return 11;
}
HRESULT FakeHelp(REFIID, void** out)
{
    *out = reinterpret_cast<void*>(0x4E19);
    return 12;
}

TEST(OptionalServices, AbsentUntilInstalledThenEachLookupReachesItsService)
{
    void* out = reinterpret_cast<void*>(1);
    OptionalServices::Install(nullptr);
    EXPECT_EQ(OptionalServices::GetScaleService(IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(OptionalServices::GetHelpService(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(OptionalServices::GetPrinting(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(OptionalServices::GetPrinting(IID_IUnknown, nullptr), E_POINTER);

    // A provider without printing: that one stays absent.
    static const OptionalServices::Provider provider{&FakeScale, &FakeHelp, nullptr};
    OptionalServices::Install(&provider);
    EXPECT_EQ(OptionalServices::GetScaleService(IID_IUnknown, &out), 11);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x5CA1E));
    EXPECT_EQ(OptionalServices::GetHelpService(IID_IUnknown, &out), 12);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x4E19));
    EXPECT_EQ(OptionalServices::GetPrinting(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    OptionalServices::Install(nullptr);
}

}  // namespace
