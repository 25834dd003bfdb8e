// Reading the host's unit list (interfaces/unit_list.h) the way the units control and the
// Delete Unit dialog both do: walking its enumerator in chunks, and reading a unit's text.
#pragma once

#include <cstdint>
#include <functional>

#include "interfaces/unit_list.h"
#include "foundation/kvi_string.h"

namespace KVIControls {

// Units asked from the enumerator at a time.
inline constexpr uint32_t kUnitWalkChunk = 16;

// Calls visit for every unit the list's enumerator delivers, in its order, asking for
// kUnitWalkChunk units at a time until a call delivers none or fails. visit gets the unit and its
// position in the walk (counting from 0); the walk keeps its own reference while visit runs.
// A null list, or one that gives no enumerator, visits nothing; a null entry in a chunk is not
// visited but keeps its position. Returns how many positions the walk passed.
int ForEachUnit(IUnitList* units, const std::function<void(IUnitName* unit, int32_t position)>& visit);

// The unit's display text (prefix letter and name) with withPrefix, else its name alone; the
// empty string when the unit will not say.
KVI::String UnitText(IUnitName* unit, bool withPrefix);

}  // namespace KVIControls
