// The e2e tests' host: the framework started as the application starts it (libzor.so from the
// executable's directory, through DllGetClassObject), the module loaded through it, and the
// module's three class objects found by kind. Made once per test process.
#pragma once

#include <string>
#include <vector>

#include "interfaces/class_objects.h"
#include "interfaces/tessar_automation.h"
#include "interfaces/zor_framework.h"
#include "foundation/kvi_string.h"
#include "platform/com_ptr.h"

namespace ZorTest {

struct ModuleHost {
    platform::ComPtr<IZorFramework> framework;
    platform::ComPtr<ICalculationClass> calcClass;
    platform::ComPtr<ISettingsClass> settingsClass;
    platform::ComPtr<ICalcEnumClass2> enumClass;
    platform::ComPtr<ITessarAutomation> automation;
};

// Fails the calling test (and returns null) when the framework or the module cannot be started.
const ModuleHost* Host();

// Settings fitted by the module from reference points given as texts ("0", "1 V", ...).
platform::ComPtr<IPersistObject> Fit(const std::vector<std::u16string>& raw, const std::vector<std::u16string>& cal,
                                     const char16_t* unit, int32_t fitKind, int32_t sourceChannel);

// Every sample of a stream, read in blocks of the given size.
std::vector<float> ReadAll(IEnumFloatEx* stream, uint32_t block = 4096);

std::string Utf8(IAutoKVIString* text);  // releases text

}  // namespace ZorTest
