#include "foundation/kvi_string.h"

#include "platform/string_table.h"

namespace KVI {
namespace {

// Any function of this object file: its address names the binary it was linked into.
void ModuleAnchor() {}

}  // namespace

HMODULE ThisModule()
{
    // Computed and registered once per binary (this file is linked into each module with
    // hidden visibility), thread-safely on first use.
    static const HMODULE module = [] {
        HMODULE m = platform::ModuleFromAddress(reinterpret_cast<const void*>(&ModuleAnchor));
        platform::RegisterStringTable(m, kModuleStringTable.entries, kModuleStringTable.count);
        return m;
    }();
    return module;
}

// The empty table of a program that has no strings of its own; a module's string table
// (a strong definition) takes its place at link time.
__attribute__((weak)) extern const ModuleStringTable kModuleStringTable = {nullptr, 0};

}  // namespace KVI
