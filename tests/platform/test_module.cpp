// A module that exports one function and names itself, for the loader tests.
#include "platform/module.h"

extern "C" __attribute__((visibility("default"))) int TestModuleAnswer() { return 42; }

extern "C" __attribute__((visibility("default"))) HMODULE TestModuleSelf()
{
    return platform::ModuleFromAddress(reinterpret_cast<const void*>(&TestModuleSelf));
}
