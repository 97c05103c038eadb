// The station's rule for turning a length or a coordinate into a whole number.
#pragma once

#include <cstdint>

namespace station {

// Nearest whole number, halves away from zero, decided on the first decimal
// digit: 2.5 -> 3, 2.46 -> 2, -2.5 -> -3, -2.4 -> -2.  Defined for every
// double: values beyond the int32 range saturate, NaN gives 0.
int32_t RoundHalfAway(double x);

} // namespace station
