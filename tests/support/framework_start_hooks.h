// Test hooks of the framework start (defined in calibration/framework.cpp, declared only here).
#pragma once

#include <string>

namespace Tessar::FrameworkStartHooks {

// Where the start looks for libzor.so; empty restores the executable's directory.
void SetLibraryDirectory(const std::string& directory);
// Forgets a start that ran (its class-object registration is revoked), so the next registry
// request that fails starts again.
void Reset();
// Whether a start has loaded and registered the framework.
bool Started();

}  // namespace Tessar::FrameworkStartHooks
