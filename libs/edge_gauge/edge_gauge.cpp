// EdgeGauge.dll: finds the drill silhouette in the capture library's image.
#include "contracts/edge_gauge.h"

#include <atomic>
#include <type_traits>

namespace {
std::atomic<int32_t> gApplication{0};
std::atomic<bool> gOpen{false};
constexpr int32_t kNotFound = 1;
} // namespace

extern "C" {

int32_t __stdcall EdgeGaugeOpen(int32_t application) {
    gApplication = application;
    gOpen = true;
    return 0;
}

// The silhouette search comes with the measurement; until then every search
// answers "not found" and leaves the points untouched.
int32_t __stdcall EdgeGaugeDetectHeight(int32_t, uint8_t*, double*, double*, double*, double*) {
    return kNotFound;
}

int32_t __stdcall EdgeGaugeClose() {
    gOpen = false;
    return 0;
}
}

static_assert(std::is_same_v<decltype(&EdgeGaugeOpen), EdgeGaugeOpenFn>);
static_assert(std::is_same_v<decltype(&EdgeGaugeDetectHeight), EdgeGaugeDetectHeightFn>);
static_assert(std::is_same_v<decltype(&EdgeGaugeClose), EdgeGaugeCloseFn>);
