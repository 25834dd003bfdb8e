#include "host/zor/host_strings.h"

#include <iterator>

#include "platform/string_table.h"

namespace Zor {
namespace {

// Constant-initialised, so it can be registered during static construction.
constexpr platform::StringResource kHostStrings[] = {
    {kIdsUnitNameMissingTitle, u"Unit name required"},
    {kIdsUnitNameMissingText, u"Type the name of the unit without its prefix, for example V or mmHg."},
    {kIdsUnitExample, u"Example: "},
    {kIdsNoUnit, u"(no unit)"},
    {kIdsDefineUnit, u"Define Unit..."},
    {kIdsDeleteUnit, u"Delete Unit..."},
    // Texts of the module's own result codes (0xA0048200 + index).
    {57345, u"The operation failed."},
    {57346, u"The object is not ready for this operation."},
    {57347, u"The stored data are damaged or incomplete."},
    {57348, u"The stored data are of a type that is not known."},
    {57349, u"The settings were stored by a newer version of the program and cannot be read."},
    {57350, u"A value is outside the range allowed."},
    {57351, u"The operation was cancelled."},
    {57352, u"A part of the host application that is needed is missing."},
    {57354, u"The file cannot be opened."},
    {57358, u"The operation is not supported."},
};

}  // namespace

void RegisterHostStrings() { platform::RegisterStringTable(nullptr, kHostStrings, std::size(kHostStrings)); }

}  // namespace Zor
