#include "platform/string_table.h"

#include <map>
#include <mutex>
#include <shared_mutex>

namespace platform {
namespace {

struct Table {
    const StringResource* entries;
    size_t count;
};

struct Registry {
    std::shared_mutex mutex;
    std::map<HMODULE, Table> tables;
};

Registry& Tables()
{
    static Registry* r = new Registry;  // lookups may happen during static destruction
    return *r;
}

}  // namespace

void RegisterStringTable(HMODULE module, const StringResource* entries, size_t count)
{
    Registry& r = Tables();
    std::unique_lock lock(r.mutex);
    r.tables[module] = Table{entries, count};
}

void UnregisterStringTable(HMODULE module)
{
    Registry& r = Tables();
    std::unique_lock lock(r.mutex);
    r.tables.erase(module);
}

std::optional<std::u16string_view> FindStringResource(HMODULE module, uint32_t id)
{
    Registry& r = Tables();
    std::shared_lock lock(r.mutex);
    auto it = r.tables.find(module);
    if (it == r.tables.end()) return std::nullopt;
    const Table& t = it->second;
    for (size_t i = 0; i < t.count; ++i)
        if (t.entries[i].id == id) return std::u16string_view(t.entries[i].text ? t.entries[i].text : u"");
    return std::nullopt;
}

}  // namespace platform
