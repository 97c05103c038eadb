// The machine and the recipe that the measuring tests run the station with:
// the simulated camera's scale, the X axis' pulses, the two calibration
// positions and a 0.3 mm drill of 38.1 mm with its tolerances; and the
// fixture that opens a station copy with them and places drills.
#pragma once

#include "common/drill_placement.h"
#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <memory>
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

// Kest.INI of the measuring tests; initGrab 2 starts live video.
inline std::string MeasuringSettings(int initGrab = 0) {
    return "[Basic]\r\nInitGrab=" + std::to_string(initGrab) +
           "\r\nMmPerPixel=-1\r\ndShowModal=1\r\nGrabNumber=3\r\n"
           "[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";
}

// A station copy with the measuring recipe, open, and its camera's scene.
class MeasuringStation : public ::testing::Test {
  protected:
    explicit MeasuringStation(int initGrab = 0, int32_t seed = 100)
        : initGrab_(initGrab), seed_(seed) {}

    void SetUp() override {
        copy_.WriteFile("Kest.INI", MeasuringSettings(initGrab_));
        copy_.WriteFile("Kest.cfg", ParameterFileBytes(MeasuringRecipe()));
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        // The capture library of this station copy: a process that opened
        // stations from other folders holds their libraries too.
        grabcard_ = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
        ASSERT_NE(grabcard_, nullptr);
        setScene_ = Grabcard<GrabcardSimSetSceneFn>("GrabcardSimSetScene");
        getScene_ = Grabcard<GrabcardSimGetSceneFn>("GrabcardSimGetScene");
        ASSERT_NE(setScene_, nullptr);
        ASSERT_NE(getScene_, nullptr);
    }
    void TearDown() override {
        if (station_)
            station_->Close();
    }

    // An export of this copy's capture library.
    template <class F> F Grabcard(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(grabcard_, name)));
    }
    void Show(double tip, double length = 38.1, double diameter = 0.3, double ringDepth = 0) {
        DrillScene s{};
        getScene_(&s);
        common::PlaceDrill(s, {kMmPerPixel, 240.3, tip, length, diameter, ringDepth, ++seed_});
        ASSERT_EQ(setScene_(&s), 0);
    }
    void Calibrate() {
        Show(kColumnM);
        ASSERT_EQ(station_->Function(2), static_cast<int32_t>(kMoveX * kPulsesPerMm));
        Show(kColumnM - kMoveX / kMmPerPixel);
        ASSERT_EQ(station_->Function(3), 0);
    }

    int initGrab_;
    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    HMODULE grabcard_ = nullptr;
    GrabcardSimSetSceneFn setScene_ = nullptr;
    GrabcardSimGetSceneFn getScene_ = nullptr;
    int32_t seed_;
};

} // namespace testing_station
