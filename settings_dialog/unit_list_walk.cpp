#include "settings_dialog/unit_list_walk.h"

#include <algorithm>

#include "platform/com_ptr.h"

namespace KVIControls {

int ForEachUnit(IUnitList* units, const std::function<void(IUnitName* unit, int32_t position)>& visit)
{
    platform::ComPtr<IEnumUnits> walk;
    if (!units || FAILED(units->GetEnumerator(0, walk.Put())) || !walk) return 0;
    int32_t position = 0;
    for (;;) {
        IUnitName* chunk[kUnitWalkChunk] = {};
        uint32_t delivered = 0;
        const HRESULT hr = walk->Next(kUnitWalkChunk, chunk, &delivered);
        // An enumerator that claims more than it was asked for is not believed past the chunk.
        delivered = std::min(delivered, kUnitWalkChunk);
        for (uint32_t i = 0; i < delivered; ++i) {
            const auto unit = platform::ComPtr<IUnitName>::Adopt(chunk[i]);
            if (unit) visit(unit.Get(), position);
            ++position;
        }
        if (FAILED(hr) || delivered == 0) break;
    }
    return position;
}

KVI::String UnitText(IUnitName* unit, bool withPrefix)
{
    IAutoKVIString* raw = nullptr;
    if (!unit || FAILED(unit->GetText(withPrefix ? 1 : 0, &raw))) return KVI::String();
    const auto text = platform::ComPtr<IAutoKVIString>::Adopt(raw);
    return KVI::String(text.Get());
}

}  // namespace KVIControls
