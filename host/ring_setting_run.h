// kest-host run: the ring-setting machine's whole loop against the station.
#pragma once

#include <cstdint>

namespace host {

typedef void(__stdcall* Notify)(int32_t, int32_t);

// The station's six functions, bound from vardel.dll.
struct StationApi {
    int32_t(__stdcall* Open)() = nullptr;
    int32_t(__stdcall* Close)() = nullptr;
    int32_t(__stdcall* Dialog)(int32_t) = nullptr;
    int32_t(__stdcall* Function)(int32_t) = nullptr;
    void(__stdcall* Callback)(Notify) = nullptr;
    int32_t(__stdcall* GetParametr)(int32_t) = nullptr;
};

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
