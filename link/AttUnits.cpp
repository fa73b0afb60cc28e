#include "link/AttUnits.h"

#include <algorithm>
#include <cstdint>

TAttValue ToAttUnit(int v, bool inTenths, int maxAtt) {
    if (maxAtt < 1) return {v, false};
    const bool toTenths = CountsTenths(maxAtt);
    std::int64_t out = v;
    if (toTenths && !inTenths) out *= 10;
    // Division truncates toward zero, which already rounds a negative value up.
    if (!toTenths && inTenths) out = out / 10 + (out > 0 && out % 10 != 0);
    const int top = toTenths ? maxAtt - maxAtt % 5 : maxAtt;
    if (out > top) return {top, true};
    return {static_cast<int>(std::max<std::int64_t>(out, INT32_MIN)), false};
}

int TenthsOfDb(int v, int maxAtt, int fallbackMaxAtt) {
    const int max = maxAtt < 1 ? fallbackMaxAtt : maxAtt;
    return CountsTenths(max) ? v : 10 * v;
}
