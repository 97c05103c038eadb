#include "host/ring_setting_run.h"

#include "common/drill_placement.h"

#include "contracts/grabcard_sim.h"
#include "host/machine.h"
#include "params/parameter_set.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

namespace host {
namespace {

constexpr double kPulsesPerMm = 2000.0; // PitchX 5 mm, PulseX 10000 (Kest.INI)

machine::Geometry TheMachine() {
    return machine::Geometry{};
}

bool gDusty = false; // the camera of the runs: dusty glass, uneven back light

// The dusty, unevenly lit camera: the back light falls from 230 grey levels
// at the right to 160 at the left and by a fifth towards the corners, a
// dozen dark specks of 2 to 4 pixels lie on its glass.
constexpr double kDustyLeft = 160, kDustyRight = 230, kDustyCorners = 0.2;
constexpr int32_t kDustySpecks = 12;

// The recipe as the machine builder stores it for the station.
bool WriteRecipe(const machine::Geometry& g, const machine::Recipe& r) {
    station::ParameterSet p;
    p.SetDefaults(42);
    station::SetText(p.station.MaterialName, "DEMO-0.3");
    p.station.StdLength = g.standardLength;
    p.station.InitMoveX = g.initMoveX;
    p.station.MoveX = g.moveX;
    p.station.StdRingPosition = g.pressDepthAtN;
    p.station.StdDiameter = r.diameter;
    auto& m = p.material;
    m.RingPosition = r.ringDepth;
    m.UpTol = r.ringTol;
    m.LowTol = -r.ringTol;
    m.DrillLength = r.length;
    m.DrillLengthUpTol = r.lengthTol;
    m.DrillLengthLowTol = -r.lengthTol;
    m.Diameter = r.diameter;
    m.DiameterUpTol = r.diameterTol;
    m.DiameterLowTol = -r.diameterTol;
    m.DiameterRangeX1 = 250; // in the fluted body while the tip stands near N
    std::ofstream out("Kest.cfg", std::ios::binary | std::ios::trunc);
    const std::vector<uint8_t> bytes = station::EncodeParameterFile(p);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

struct Camera {
    GrabcardSimSetSceneFn SetScene = nullptr;
    GrabcardSimGetSceneFn GetScene = nullptr;
    GrabcardSimSetLightingFn SetLighting = nullptr;
    bool Bind() {
        HMODULE m = GetModuleHandleA("Grabcard.dll");
        if (!m)
            return false;
        SetScene = reinterpret_cast<GrabcardSimSetSceneFn>(
            reinterpret_cast<void*>(GetProcAddress(m, "GrabcardSimSetScene")));
        GetScene = reinterpret_cast<GrabcardSimGetSceneFn>(
            reinterpret_cast<void*>(GetProcAddress(m, "GrabcardSimGetScene")));
        SetLighting = reinterpret_cast<GrabcardSimSetLightingFn>(
            reinterpret_cast<void*>(GetProcAddress(m, "GrabcardSimSetLighting")));
        return SetScene && GetScene && (!gDusty || SetLighting);
    }
    // The drill in front of the camera: tip at a column, ring if pressed.
    void Show(const machine::Geometry& g, double tipColumn, double length, double diameter,
              double ringDepth, int32_t seed) {
        DrillScene s{};
        GetScene(&s);
        common::PlaceDrill(s,
                           {g.mmPerPixel, g.axisRow, tipColumn, length, diameter, ringDepth, seed});
        s.background = gDusty ? kDustyLeft : 200;
        s.silhouette = 40;
        SetScene(&s);
        if (gDusty) {
            DrillLighting l{};
            l.backgroundRight = kDustyRight;
            l.vignetting = kDustyCorners;
            l.dustSmallest = 2.0;
            l.dustLargest = 4.0;
            l.dustSpecks = kDustySpecks;
            l.dustSeed = seed; // the dust moves from drill to drill
            l.cutColumn = -1;
            SetLighting(&l);
        }
    }
};

// Inside [nominal - tol, nominal + tol] in whole micrometres, as judged.
bool Inside(double v, double nominal, double tol) {
    return std::lround(v * 1000) >= std::lround((nominal - tol) * 1000) &&
           std::lround(v * 1000) <= std::lround((nominal + tol) * 1000);
}
double Margin(double v, double nominal, double tol) {
    return std::fabs(std::fabs(v - nominal) - tol);
}

struct Summary {
    int ok = 0, ng = 0, falseAccepts = 0, falseRejects = 0, nearLimit = 0, mismatches = 0;
    double errorSum = 0, errorSquares = 0;
    int errors = 0;
};

void RunDrills(const StationApi& station, Camera& camera, int drills, uint32_t seed, Summary& sum) {
    const machine::Geometry g = TheMachine();
    const machine::Machine m(g);
    const machine::Recipe recipe;
    machine::DrillFeeder feeder(recipe, seed);
    int32_t frameSeed = static_cast<int32_t>(seed);

    // Calibration with the standard drill.
    double push = g.initMoveX;
    camera.Show(g, m.TipColumn(push, g.standardLength), g.standardLength, recipe.diameter, 0,
                ++frameSeed);
    const int32_t toN = station.Function(2);
    std::printf("calibration M: %d pulses (push %.3f mm)\n", toN, toN / kPulsesPerMm);
    push += toN / kPulsesPerMm;
    camera.Show(g, m.TipColumn(push, g.standardLength), g.standardLength, recipe.diameter, 0,
                ++frameSeed);
    std::printf("calibration N: %d\n", station.Function(3));
    std::printf("drill  length    diameter  ring      A pulses  B     verdict  truth\n");

    for (int i = 1; i <= drills; ++i) {
        const machine::Drill d = feeder.Next();
        // Load and push the first distance; inspection A says how much more.
        push = station.GetParametr(0) / kPulsesPerMm;
        camera.Show(g, m.TipColumn(push, d.length), d.length, d.diameter, 0, ++frameSeed);
        const int32_t a = station.Function(0);
        if (a >= 0)
            push += a / kPulsesPerMm;
        // Press the ring where the tip now stands, then inspection B.
        const double tip = m.TipColumn(push, d.length);
        const double depth = m.RingDepth(tip, d.pressError);
        camera.Show(g, tip, d.length, d.diameter, depth, ++frameSeed);
        const int32_t b = station.Function(1);

        const bool good = Inside(d.length, recipe.length, recipe.lengthTol) &&
                          Inside(d.diameter, recipe.diameter, recipe.diameterTol) &&
                          Inside(depth, recipe.ringDepth, recipe.ringTol);
        const double margin = std::min({Margin(d.length, recipe.length, recipe.lengthTol),
                                        Margin(d.diameter, recipe.diameter, recipe.diameterTol),
                                        Margin(depth, recipe.ringDepth, recipe.ringTol)});
        const bool atLimit = margin < 0.002;
        const bool accepted = b == 0;
        const bool agrees = accepted == good;
        sum.ok += accepted;
        sum.ng += !accepted;
        sum.nearLimit += atLimit;
        if (!agrees && !atLimit) {
            ++sum.mismatches;
            sum.falseAccepts += accepted;
            sum.falseRejects += !accepted;
        }
        // How far the compensation put the ring from its target, press error aside.
        if (a >= 0) {
            const double e = (depth - d.pressError - recipe.ringDepth) * 1000.0;
            sum.errorSum += e;
            sum.errorSquares += e * e;
            ++sum.errors;
        }
        std::printf("%4d   %7.4f   %7.4f   %7.4f   %6d   %4d   %-7s  %s%s\n", i, d.length,
                    d.diameter, depth, a, b, accepted ? "OK" : "NG", agrees ? "agrees" : "DIFFERS",
                    atLimit ? " (at a limit)" : "");
        std::fflush(stdout);
    }
}

} // namespace

int RunRingSetting(const StationApi& station, int drills, uint32_t seed, bool showWindow) {
    const machine::Geometry g = TheMachine();
    if (!WriteRecipe(g, machine::Recipe{})) {
        std::printf("kest-host: cannot write Kest.cfg here\n");
        return 1;
    }
    const int32_t opened = station.Open();
    std::printf("vardelOpen() = %d\n", opened);
    if (opened != 0)
        return 1;
    Camera camera;
    if (!camera.Bind()) {
        std::printf("kest-host: the frame grabber is not the simulated one\n");
        station.Close();
        return 1;
    }
    if (showWindow)
        std::printf("vardelDialog(-1) = %d\n", station.Dialog(-1));

    Summary sum;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        RunDrills(station, camera, drills, seed, sum);
        done = true;
    });
    // The window's thread: its messages while the machine works.
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    worker.join();
    std::printf("vardelClose() = %d\n", station.Close());

    const double mean = sum.errors ? sum.errorSum / sum.errors : 0.0;
    const double var = sum.errors ? sum.errorSquares / sum.errors - mean * mean : 0.0;
    std::printf("summary: %d drills, %d OK, %d NG; %d false accepts, %d false rejects "
                "(%d drills within 2 um of a limit not counted)\n",
                drills, sum.ok, sum.ng, sum.falseAccepts, sum.falseRejects, sum.nearLimit);
    std::printf(
        "ring depth after compensation%s: mean error %+.3f um, standard deviation %.3f um\n",
        gDusty ? " (dusty, unevenly lit camera)" : "", mean, std::sqrt(var > 0 ? var : 0));
    return sum.mismatches;
}

void UseDustyCamera(bool dusty) {
    gDusty = dusty;
}

} // namespace host
