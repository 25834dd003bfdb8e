#include "foundation/gui/application_visibility.h"

#include <utility>

namespace KVI {
namespace {

VisibilitySource& Source()
{
    static VisibilitySource source;
    return source;
}

}  // namespace

VisibilitySource SetVisibilitySource(VisibilitySource source) { return std::exchange(Source(), std::move(source)); }

bool IsApplicationVisible()
{
    const VisibilitySource& source = Source();
    if (!source) return true;
    return source().value_or(true);
}

}  // namespace KVI
