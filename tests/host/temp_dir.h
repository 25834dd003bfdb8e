// A private folder for a test, removed with everything in it when the object goes. Made under
// $TESSAR_TEST_OUTPUT when set, else under the system's temporary folder.
#pragma once

#include <filesystem>
#include <string>

namespace ZorTest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Reads a whole file (empty when it cannot be read); writes one.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace ZorTest
