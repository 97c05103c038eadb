// The world a station object runs on, made of fakes: a 64 x 48 camera and
// the edge gauge the test chooses.
#pragma once

#include "params/parameter_files.h"
#include "station/station_object.h"

#include "fakes.h"

namespace fakes {

template <class GaugeT> struct World {
    Journal journal;
    Capture capture{journal};
    Io io{journal};
    Imaging imaging{journal};
    Pages pages;
    Files disk;
    Prompts prompts;
    station::Cp950 cp;
    GaugeT gauge;
    Clock clock;

    World() {
        capture.width = 64;
        capture.height = 48;
    }
    station::StationPorts Ports() {
        return {capture, io, imaging, pages, disk, prompts, cp, gauge, clock};
    }
};

} // namespace fakes
