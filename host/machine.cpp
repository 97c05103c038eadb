#include "host/machine.h"

namespace machine {

Drill DrillFeeder::Next() {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> kind(0, 7);
    Drill d{r_.length + 0.6 * r_.lengthTol * unit(rng_),
            r_.diameter + 0.6 * r_.diameterTol * unit(rng_), 0.4 * r_.ringTol * unit(rng_)};
    switch (kind(rng_)) {
    case 0:  // too long or too short
        d.length = r_.length + (unit(rng_) < 0 ? -1 : 1) * r_.lengthTol * (1.3 + unit(rng_) * 0.2);
        break;
    case 1:  // wrong diameter
        d.diameter =
            r_.diameter + (unit(rng_) < 0 ? -1 : 1) * r_.diameterTol * (1.6 + unit(rng_) * 0.3);
        break;
    case 2:  // the press misses
        d.pressError = (unit(rng_) < 0 ? -1 : 1) * r_.ringTol * (1.5 + unit(rng_) * 0.3);
        break;
    default:
        break;
    }
    return d;
}

} // namespace machine
