#include "host/zor/type_registry.h"

#include <limits>

namespace Zor {

std::optional<uint16_t> TypeRegistry::Identify(const GUID& type)
{
    std::lock_guard lock(mutex_);
    if (const auto it = ids_.find(type); it != ids_.end()) return it->second;
    if (types_.size() >= std::numeric_limits<uint16_t>::max()) return std::nullopt;
    const auto id = static_cast<uint16_t>(types_.size() + 1);
    types_.push_back(type);
    ids_.emplace(type, id);
    return id;
}

std::optional<GUID> TypeRegistry::TypeOf(uint16_t identifier) const
{
    std::lock_guard lock(mutex_);
    if (identifier == 0 || identifier > types_.size()) return std::nullopt;
    return types_[identifier - 1u];
}

}  // namespace Zor
