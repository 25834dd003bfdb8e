#include "host/velogram/raw_range.h"

namespace Velogram {

int64_t RawRange::CountOutside(std::span<const float> raw) const
{
    int64_t n = 0;
    for (const float r : raw) n += IsOutside(r) ? 1 : 0;
    return n;
}

}  // namespace Velogram
