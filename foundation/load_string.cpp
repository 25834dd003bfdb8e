#include "foundation/host_names.h"
#include "foundation/kvi_string.h"

namespace KVI {

// Resources are looked up by module handle and id in the tables the modules registered with
// the platform (the host's own under the null handle). A table holds one text per id, so
// there are no string blocks to walk and no language to choose.
String LoadString(HMODULE module, uint32_t id, bool substitute)
{
    if (id == 0) return String();
    const auto text = platform::FindStringResource(module, id);
    if (!text || text->empty()) return String();
    String s(*text);  // capacity max(count + 1, 16)
    if (substitute) ApplyHostNames(s);
    return s;
}

}  // namespace KVI
