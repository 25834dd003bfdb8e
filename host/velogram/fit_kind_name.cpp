#include "host/velogram/fit_kind_name.h"

#include <array>
#include <cctype>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

constexpr std::array<std::string_view, kFitKinds> kNames = {
    "linear", "quadratic", "cubic", "quartic", "quintic", "logarithmic", "exponential", "point-to-point"};

// Lower case, with blanks and underscores as hyphens.
std::string Canonical(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '_') c = '-';
        out += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

int32_t ParseFitKind(std::string_view text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < char('0' + kFitKinds)) return text[0] - '0';
    const std::string name = Canonical(text);
    for (int32_t kind = 0; kind < kFitKinds; ++kind)
        if (name == kNames[size_t(kind)]) return kind;
    throw CommandError("unknown fit kind \"" + std::string(text) + "\": use " + FitKindList());
}

std::string FitKindName(int32_t kind)
{
    if (kind < 0 || kind >= kFitKinds) return "kind " + std::to_string(kind);
    return std::string(kNames[size_t(kind)]);
}

std::string FitKindList()
{
    std::string list;
    for (std::string_view name : kNames) {
        if (!list.empty()) list += ", ";
        list += name;
    }
    return list + " (or 0 to 7)";
}

}  // namespace Velogram
