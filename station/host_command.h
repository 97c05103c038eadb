// The host's command numbers and what they run.
#pragma once

#include <cstdint>

namespace station {

enum class HostCommand { InspectionA, InspectionB, CalibrationM, CalibrationN };

// 1 inspection B, 2 calibration M, 3 calibration N; 0 and every other value
// (negative ones too) inspection A.
HostCommand HostCommandFor(int32_t command);

// What booking a host command's result needs: mode 1 for inspection A,
// mode 2 for inspection B, 0 (not booked) for the calibrations.
int BookingMode(HostCommand command);

// Result codes the host receives.
namespace result {
constexpr int32_t kImageError = -1;
constexpr int32_t kRingPosition = -2;
constexpr int32_t kDrillLength = -3;
constexpr int32_t kDrillDiameter = -4;
constexpr int32_t kNegativeEdge = -6;
constexpr int32_t kNoSignal = -7;
constexpr int32_t kPositionsCoincide = -9;
// vardelDialog on a station that is not open.
constexpr int32_t kNotOpen = -9;
// vardelClose from another thread while the thread that opened the station
// runs no message loop: the station stays open.
constexpr int32_t kCloseNotAnswered = -2;
// vardelFunction on a station that is not open: nothing was measured.
constexpr int32_t kClosedStation = kImageError;
} // namespace result

} // namespace station
