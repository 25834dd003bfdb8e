#include "host/velogram/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace Velogram {

std::string ExactText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string ShortestText(double value)
{
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

nlohmann::ordered_json JsonNumber(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json();
}

}  // namespace Velogram
