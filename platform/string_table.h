// String-table resources. Each module compiles its table in as a constant array (constant-
// initialised, so it is readable during static construction in any order) and registers it
// under its module handle; the host's table is registered under the null handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/module.h"

namespace platform {

struct StringResource {
    uint32_t id;
    const char16_t* text;
};

// Registers (or replaces) the table of a module. The array must outlive every lookup.
void RegisterStringTable(HMODULE module, const StringResource* entries, size_t count);
void UnregisterStringTable(HMODULE module);
// The text of a resource; nothing when the module has no table or the table has no such id.
std::optional<std::u16string_view> FindStringResource(HMODULE module, uint32_t id);

}  // namespace platform
