// The texts of the value panels, refreshed every 30 ms from the last values.
#pragma once

#include "params/parameter_set.h"
#include "station/last_values.h"

#include <array>
#include <string>

namespace station {

// The status labels of the language library, in their order: offset, drill
// diameter, drill length, resolution, command, return code, ring depth.
using StatusLabels = std::array<std::string, 7>;

struct PanelTexts {
    std::string showA, showB, showC, showA1, showA1Hint, showB1, showC1;
};

// Reads the scales of station atomically, as calibration N writes them.
PanelTexts FormatPanels(const StatusLabels& labels, const LastValues& last,
                        const CommandTexts& texts, StationBlock& station);

} // namespace station
