// Points the user's configuration folder at a folder of this test process before anything reads
// it, so that the framework's unit list never touches a real user's units, and tests running in
// parallel never share one.
#include <cstdlib>
#include <memory>

#include "tests/host/temp_dir.h"

namespace {

struct PrivateConfig {
    PrivateConfig() : dir(std::make_unique<ZorTest::TempDir>())
    {
        setenv("XDG_CONFIG_HOME", dir->Path().c_str(), 1);
    }
    std::unique_ptr<ZorTest::TempDir> dir;
};

const PrivateConfig privateConfig;

}  // namespace
