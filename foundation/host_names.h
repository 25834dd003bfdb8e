// The host-name substitution of resource texts: upper-case tokens in string resources name the
// host application, its maker and its hardware, and are replaced by their display names.
#pragma once

#include <utility>
#include <vector>

#include "foundation/kvi_string.h"

namespace KVI {

using HostNameTable = std::vector<std::pair<String, String>>;  // (pattern, replacement), in order

// The table, built on first use (thread-safely) and constant from then on.
const HostNameTable& HostNames();
// For each pair in order, replaces every occurrence of the pattern, scanning on after each
// inserted replacement (exact, case-sensitive match).
void ApplyHostNames(String& text);

}  // namespace KVI
