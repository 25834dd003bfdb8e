#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "platform/module.h"

namespace {

std::u16string Wide(const std::string& s) { return platform::Utf8ToUtf16(s); }

TEST(Loader, LoadsAModuleAndFindsItsExports)
{
    const std::u16string path = Wide(TEST_MODULE_PATH);
    HMODULE m = LoadLibraryW(path.c_str());
    ASSERT_NE(m, nullptr) << platform::LastLoadError();

    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(m, "TestModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(m, "NoSuchExport"), nullptr);

    // The handle the loader gives is the one the module computes for itself, so a module's
    // string table registered under its own handle is found through the loader's handle.
    auto self = reinterpret_cast<HMODULE (*)()>(GetProcAddress(m, "TestModuleSelf"));
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self(), m);

    char16_t buf[4096];
    const uint32_t n = GetModuleFileNameW(m, buf, 4096);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(platform::Utf16ToUtf8(std::u16string_view(buf, n)), std::string(TEST_MODULE_PATH));

    // Loading twice gives the same handle.
    EXPECT_EQ(LoadLibraryW(path.c_str()), m);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_FALSE(FreeLibrary(m));
}

TEST(Loader, AMissingLibraryFailsWithAReason)
{
    HMODULE m = LoadLibraryW(u"/nonexistent/libnothing.so");
    EXPECT_EQ(m, nullptr);
    EXPECT_NE(platform::LastLoadError().find("libnothing"), std::string::npos);
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
}

TEST(Loader, ExecutablePathAndDirectory)
{
    const std::string exe = platform::ExecutablePath();
    const std::string dir = platform::ExecutableDirectory();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.rfind(dir + "/", 0), 0u);
    EXPECT_NE(exe.find("platform_test"), std::string::npos);

    char16_t small[5];
    const uint32_t n = GetModuleFileNameW(nullptr, small, 5);
    EXPECT_EQ(n, 4u);  // cut to the buffer, terminator kept
    EXPECT_EQ(small[4], u'\0');
}

}  // namespace
