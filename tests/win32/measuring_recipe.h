// The machine and the recipe that the measuring tests run the station with:
// the simulated camera's scale, the X axis' pulses, the two calibration
// positions and a 0.3 mm drill of 38.1 mm with its tolerances.
#pragma once

#include "params/parameter_set.h"

#include <string>
#include <vector>

namespace testing_station {

constexpr double kMmPerPixel = 0.01;  // the scene's scale
constexpr double kPulsesPerMm = 2000; // PitchX 5, PulseX 10000
constexpr double kMoveX = 1.2;        // mm between M and N
constexpr double kColumnM = 320;      // tip of the standard drill at M

inline station::ParameterSet MeasuringRecipe() {
    station::ParameterSet p;
    p.SetDefaults(1);
    p.station.StdLength = 38.1;
    p.station.InitMoveX = 1.0;
    p.station.MoveX = kMoveX;
    p.station.StdRingPosition = 4.0;
    p.station.StdDiameter = 0.3;
    auto& m = p.material;
    m.RingPosition = 4.5; // ring target 0.5 mm beyond N
    m.UpTol = 0.02;
    m.LowTol = -0.02;
    m.DrillLength = 38.1;
    m.DrillLengthUpTol = 0.05;
    m.DrillLengthLowTol = -0.05;
    m.Diameter = 0.3;
    m.DiameterUpTol = 0.01;
    m.DiameterLowTol = -0.01;
    m.DiameterRangeX1 = 250;
    return p;
}

// The parameter file's bytes of a record.
inline std::string ParameterFileBytes(const station::ParameterSet& p) {
    const std::vector<uint8_t> bytes = station::EncodeParameterFile(p);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace testing_station
