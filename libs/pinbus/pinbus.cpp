// Pinbus.dll: the machine's digital I/O.  The station only opens and closes
// it; this implementation keeps the open count so a tester can see the
// station's calls balance.
#include "contracts/pinbus.h"
#include "common/guarded_entry.h"

#include <atomic>
#include <type_traits>

namespace {
std::atomic<int32_t> gOpen{0};
}

extern "C" {

// Every export answers 1 when something inside fails unexpectedly.
int32_t __stdcall PinbusInit() {
    return common::Guarded("Pinbus.dll: PinbusInit", 1, [] {
        gOpen.fetch_add(1);
        return 0;
    });
}

int32_t __stdcall PinbusClose() {
    return common::Guarded("Pinbus.dll: PinbusClose", 1, [] {
        int32_t n = gOpen.load();
        while (n > 0 && !gOpen.compare_exchange_weak(n, n - 1)) {
        }
        return 0;
    });
}

// Not called by the station: how often the I/O is open now.
int32_t __stdcall PinbusOpenCount() {
    return common::Guarded("Pinbus.dll: PinbusOpenCount", 0, [] { return gOpen.load(); });
}
}

static_assert(std::is_same_v<decltype(&PinbusInit), PinbusInitFn>);
static_assert(std::is_same_v<decltype(&PinbusClose), PinbusCloseFn>);
