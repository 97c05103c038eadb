#include "station/rounding.h"

#include <cmath>
#include <limits>

namespace station {

int32_t RoundHalfAway(double x) {
    if (std::isnan(x))
        return 0;
    const double s = x >= 0 ? 1.0 : -1.0;
    // The tenths digit decides; beyond this the digit no longer matters.
    constexpr double kExact = 1e15;
    if (std::fabs(x) < kExact) {
        const auto t = static_cast<int64_t>(x * 10.0);
        const int64_t digit = (t < 0 ? -t : t) % 10;
        if (digit >= 5)
            x += s;
    }
    const double whole = std::trunc(x);
    if (whole >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (whole <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(whole);
}

} // namespace station
