#include "calibration/kernel_tables.h"

#include <bit>
#include <cmath>

namespace Tessar {

const LogTable& TheLogTable() noexcept
{
    static const LogTable table = [] {
        LogTable t{};
        for (int i = 0; i < 16; ++i) {
            const uint64_t first = LogTable::kLogReductionOffsetBits + (static_cast<uint64_t>(i) << 48);
            const double low = std::bit_cast<double>(first);
            const double high = std::bit_cast<double>(first + (uint64_t{1} << 48));
            const double centre = low <= 1.0 && 1.0 < high ? 1.0 : (low + high) / 2;
            t.invc[i] = std::round(0x1p20 / centre) / 0x1p20;
            t.logc[i] = static_cast<double>(-std::log(static_cast<long double>(t.invc[i])));
        }
        return t;
    }();
    return table;
}

const ExpTable& TheExpTable() noexcept
{
    static const ExpTable table = [] {
        ExpTable t{};
        for (int j = 0; j < 16; ++j)
            t.pow2[j] = static_cast<double>(std::exp2(static_cast<long double>(j) / 16));
        return t;
    }();
    return table;
}

}  // namespace Tessar
