// The measurement cycle: several pictures of the drill, each cut, checked
// for a camera signal and searched by the edge gauge; the edge points are
// averaged into a position and a height in pixels.
#pragma once

#include "common/no_signal.h"
#include "station/ports.h"

#include <cstdint>

namespace station {

// The image memory starts with these bytes when the camera gave no picture.
using common::kNoSignalMarker;

struct MeasurementSetup {
    PictureSource& picture;
    StationView& view;
    EdgeGaugePort& gauge;
    ClockPort& clock;
    int32_t width;      // image width W
    int32_t height;     // image height H
    int32_t grabNumber; // pictures per inspection
    int32_t rangeX2;    // DiameterRangeX2: right end of the second-pass bands
};

struct Measurement {
    int32_t status = 0; // 0, -1 gauge failed, -6 negative first point, -7 no signal
    double position = 0;
    double height = 0;
};

// selector 0: grabNumber pictures (at least one), else 12.  c: the cut
// column.  secondPass: white bands over the first edge points before a second
// search, when rangeX2 lies right of the ring marker column.
Measurement MeasureDrill(const MeasurementSetup& setup, int selector, int32_t c, bool secondPass);

} // namespace station
