// The module's string table. Constant-initialised, so static construction can load from it in
// any order; registered with the platform under the module's handle on first use.
#include "foundation/kvi_string.h"

namespace {

constexpr platform::StringResource kStrings[] = {
    {250, u"Tessar"},
    {251, u"Fits a function to a set of known points using a linear least-squares approximation."},
    {254, u"Cannot show any data because\nthe selection in the VELLO Window\ndoes not have any data in it."},
    {255, u"Define Unit..."},
    {256, u"Delete Unit..."},
    // long fit names, 257 + fit kind
    {257, u"Linear"},
    {258, u"2nd order polynomial (Quadratic)"},
    {259, u"3rd order polynomial (Cubic)"},
    {260, u"4th order polynomial (Quartic)"},
    {261, u"5th order polynomial (Quintic)"},
    {262, u"Logarithmic"},
    {263, u"Exponential"},
    {264, u"Point to Point"},
    // short fit names, 265 + fit kind
    {265, u"Linear"},
    {266, u"Quadratic"},
    {267, u"Cubic"},
    {268, u"Quartic"},
    {269, u"Quintic"},
    {270, u"Logarithmic"},
    {271, u"Exponential"},
    {272, u"Point to Point"},
    {273, u"The fitting algorithm failed to converge. Unable to determine coefficients for the requested fit type."},
    {274, u"The selection extends over more than one block. Only data in the first selected block will be "
          u"displayed."},
    {275, u"Not enough Volt-Unit conversion pairs exist to determine the requested fit type."},
    {276, u"Linear interpolation between calibration points"},
    {277, u"The fit parameters contain a repeated voltage value, and hence do not define a functional mapping."},
    {278, u"Tessar for Channel "},
    {279, u"Units Conversion is active on this channel, and must be disabled before Tessar may be applied."},
    {280, u"The raw values are so close together, beside their distance from zero, that no polynomial in powers "
          u"of the raw value can carry the fit in double precision: the stored coefficients would not reproduce "
          u"the fitted values. Spread the reference points further apart."},
    {281, u"The fit overflows double precision: a coefficient, the chi-square or the SSE is not finite."},
};

}  // namespace

namespace KVI {
const ModuleStringTable kModuleStringTable{kStrings, sizeof kStrings / sizeof kStrings[0]};
}
