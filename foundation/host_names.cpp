#include "foundation/host_names.h"

#include <string_view>

namespace KVI {

const HostNameTable& HostNames()
{
    // Built on first use, thread-safely, and never freed: a string may be loaded while other
    // statics are destroyed at exit.
    static const HostNameTable* const table = new HostNameTable{
        // A pattern that contains another stands before it, so the longer token goes whole.
        {String(u"VELLOFORWINDOWS"), String(u"Velogram")},
        {String(u"VELLO"), String(u"Velogram")},
        {String(u"AMPLIFLO"), String(u"Ampliflo")},
        {String(u"ORVANEX"), String(u"Orvanex")},
        {String(u"KVI"), String(u"Orvanex")},
        {String(u"OEM"), String(u"Orvanex")},
    };
    return *table;
}

void ApplyHostNames(String& text)
{
    for (const auto& [pattern, replacement] : HostNames()) {
        if (pattern.IsEmpty()) continue;
        // Scan on after each inserted replacement, so a replacement is never matched again by
        // its own pattern; later pairs do see it.
        size_t from = 0;
        for (;;) {
            const size_t at = text.View().find(pattern.View(), from);
            if (at == std::u16string_view::npos) break;
            text.Replace(static_cast<int32_t>(at), pattern.Length(), replacement);
            from = at + size_t(replacement.Length());
        }
    }
}

}  // namespace KVI
