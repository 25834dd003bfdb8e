// Starting the host framework when the host has not: OleInitialize, loading libzor.so from the
// executable's directory (here a test directory), registering its registry class object; and
// the failures: a failing DllGetClassObject, and a missing library or export, which end the
// process with the "Vello load failed" message.
#include <gtest/gtest.h>

#include <string>

#include "calibration/framework.h"
#include "foundation/xkvi.h"
#include "platform/class_table.h"
#include "platform/code_page.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "tests/support/framework_start_hooks.h"

namespace {

using platform::ComPtr;
namespace Hooks = Tessar::FrameworkStartHooks;

template <class Fn>
Fn FakeZorExport(const char* name)
{
    const std::u16string path = platform::Utf8ToUtf16(std::string(FAKE_ZOR_DIR) + "/libzor.so");
    HMODULE zor = LoadLibraryW(path.c_str());
    EXPECT_NE(zor, nullptr) << platform::LastLoadError();
    return reinterpret_cast<Fn>(GetProcAddress(zor, name));
}

class FrameworkStart : public testing::Test {
protected:
    void SetUp() override
    {
        testing::FLAGS_gtest_death_test_style = "threadsafe";
        Hooks::Reset();
        Hooks::SetLibraryDirectory(FAKE_ZOR_DIR);
        FakeZorExport<void (*)(HRESULT)>("FakeZorSetResult")(S_OK);
    }
    void TearDown() override
    {
        Hooks::Reset();
        Hooks::SetLibraryDirectory("");
        Tessar::Framework::Shutdown();
    }
};

TEST_F(FrameworkStart, LoadsAndRegistersTheFrameworkOnce)
{
    auto calls = FakeZorExport<int (*)()>("FakeZorCalls");
    const int before = calls();
    ComPtr<IFrameworkRegistry> registry;
    ASSERT_EQ(Tessar::Framework::GetRegistry(IID_IFrameworkRegistry, registry.PutVoid()), S_OK);
    ASSERT_TRUE(registry);
    EXPECT_TRUE(Hooks::Started());
    uint16_t id = 0;
    EXPECT_EQ(registry->GetTypeIdentifier(CLSID_FrameworkRegistry, &id), S_OK);
    EXPECT_EQ(id, 0x42);
    // Registered in the class table, so the next request finds it without loading again.
    ComPtr<IUnknown> found;
    EXPECT_EQ(CoGetClassObject(CLSID_FrameworkRegistry, CLSCTX_ALL, nullptr, IID_IUnknown, found.PutVoid()), S_OK);
    ASSERT_EQ(Tessar::Framework::GetRegistry(IID_IFrameworkRegistry, registry.PutVoid()), S_OK);
    EXPECT_EQ(calls(), before + 1);

    // OLE was started on this thread; the module's exit undoes it.
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OleUninitialize();
    Tessar::Framework::Shutdown();
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    OleUninitialize();
}

TEST_F(FrameworkStart, AFailingDllGetClassObjectRaisesItsResult)
{
    FakeZorExport<void (*)(HRESULT)>("FakeZorSetResult")(E_OUTOFMEMORY);
    ComPtr<IFrameworkRegistry> registry;
    try {
        Tessar::Framework::GetRegistry(IID_IFrameworkRegistry, registry.PutVoid());
        ADD_FAILURE() << "no XHResult";
    } catch (const XHResult& e) {
        EXPECT_EQ(e.Code(), E_OUTOFMEMORY);
    }
    EXPECT_FALSE(Hooks::Started());

    // At an interface boundary the same failure is a result, and nothing is kept.
    Tessar::CachedTypeId typeId(CLSID_FrameworkRegistry, 3);
    uint32_t id = 7;
    EXPECT_EQ(typeId.Get(&id), E_OUTOFMEMORY);
    EXPECT_EQ(id, 0u);
    FakeZorExport<void (*)(HRESULT)>("FakeZorSetResult")(S_OK);
    EXPECT_EQ(typeId.Get(&id), S_OK);
    EXPECT_EQ(id, 0x00420003u);
}

TEST_F(FrameworkStart, AMissingLibraryEndsTheProcessWithAMessage)
{
    Hooks::SetLibraryDirectory("/nonexistent-tessar-dir");
    void* out = nullptr;
    EXPECT_EXIT(Tessar::Framework::GetRegistry(IID_IUnknown, &out), testing::ExitedWithCode(255),
                "Vello load failed: Vello failed to load /nonexistent-tessar-dir/libzor.so\n");
}

TEST_F(FrameworkStart, ALibraryWithoutTheExportEndsTheProcessWithAMessage)
{
    Hooks::SetLibraryDirectory(NO_EXPORT_ZOR_DIR);
    void* out = nullptr;
    EXPECT_EXIT(Tessar::Framework::GetRegistry(IID_IUnknown, &out), testing::ExitedWithCode(255),
                "Vello failed to load .*/libzor.so\n");
}

TEST_F(FrameworkStart, ALongPathIsCutInTheMessage)
{
    Hooks::SetLibraryDirectory("/" + std::string(700, 'x'));
    void* out = nullptr;
    EXPECT_EXIT(Tessar::Framework::GetRegistry(IID_IUnknown, &out), testing::ExitedWithCode(255),
                "Vello failed to load /x{510}\n");
}

}  // namespace
