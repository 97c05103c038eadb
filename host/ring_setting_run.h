// kest-host run: the ring-setting machine's whole loop against the station.
#pragma once

#include "common/vardel_api.h"

#include <cstdint>

namespace host {

// The station's six functions, bound from vardel.dll.
using StationApi = common::VardelApi;

// Writes the machine's recipe into Kest.cfg of the working directory, opens
// the station, calibrates it and runs `drills` drills through inspections A
// and B on a worker thread while this thread runs the window's messages.
// Prints a line per drill and a summary; returns the number of verdicts
// that disagree with the truth away from the tolerance limits.
int RunRingSetting(const StationApi& station, int drills, uint32_t seed, bool showWindow);

// The runs after this call see the drill through a dusty glass in front of
// an unevenly lit back light (160 grey levels at the left, 230 at the right,
// darker towards the corners); the summary names the camera.
void UseDustyCamera(bool dusty);

} // namespace host
