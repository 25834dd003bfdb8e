// Numbers as the command line's reports write them: every digit a double has, or the shortest
// text that reads back as the same double, and JSON numbers (NaN and infinities have no JSON
// form and become null).
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace Velogram {

// 17 significant digits: every double reads back as itself ("0.10000000000000001").
std::string ExactText(double value);

// The shortest text that reads back as the same double ("0.1").
std::string ShortestText(double value);

// value as a JSON number; null when it is not finite.
nlohmann::ordered_json JsonNumber(double value);

}  // namespace Velogram
