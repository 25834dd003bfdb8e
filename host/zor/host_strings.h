// The host's string table: texts that components load from the host's resources rather than
// their own (the error texts of the module's result codes, the Define Unit and Delete Unit
// texts, the name shown for a unit without one). The framework registers it under the null
// module handle, the host process's, when the library is loaded.
#pragma once

#include <cstdint>

namespace Zor {

// String ids of the table.
constexpr uint32_t kIdsUnitNameMissingTitle = 8422;
constexpr uint32_t kIdsUnitNameMissingText = 8423;
constexpr uint32_t kIdsUnitExample = 8424;
constexpr uint32_t kIdsNoUnit = 8429;
constexpr uint32_t kIdsDefineUnit = 9744;
constexpr uint32_t kIdsDeleteUnit = 9745;

// Registers the table under the null handle. Called once at load; calling again is harmless.
void RegisterHostStrings();

}  // namespace Zor
