// Zor::TypeRegistry: the registry's map from type GUIDs to 16-bit identifiers. An identifier is
// given on first request, counting up from 1, and stays the same for the run; it is not stored
// anywhere, so stored forms name types by GUID. Thread-safe.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/guid.h"

namespace Zor {

class TypeRegistry {
public:
    // The identifier of a type, given now when it has none. Nothing when all 65535 are taken.
    std::optional<uint16_t> Identify(const GUID& type);
    // The type that was given an identifier; nothing when none was.
    std::optional<GUID> TypeOf(uint16_t identifier) const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<GUID, uint16_t> ids_;
    std::vector<GUID> types_;  // identifier - 1 -> type
};

}  // namespace Zor
