// The ring-setting machine as kest-host simulates it: where a drill's tip
// stands in the camera picture for a given push, and what ring depth the
// press gives it.  Portable C++.
//
// The machine pushes the drill from its shank end to the left, so after a
// push of P mm a drill of total length L has its tip at
//     column(P, L) = loadColumn - (P + L - standardLength) / mmPerPixel.
// The ring press stands still: a drill pressed with its tip at column c gets
// the ring depth (tip to the ring's left face)
//     depth(c) = pressDepthAtN + (pressColumnN - c) * mmPerPixel + pressError,
// where pressColumnN is the tip column of the standard drill at calibration
// position N.
#pragma once

#include <cstdint>
#include <random>

namespace machine {

struct Geometry {
    double mmPerPixel = 0.01;
    double loadColumn = 420;      // tip column of the standard drill before any push
    double standardLength = 38.1; // mm
    double initMoveX = 1.0;       // mm: the first push of every drill
    double moveX = 1.2;           // mm: calibration M to N
    double pressDepthAtN = 4.0;   // mm: ring depth of a drill pressed with its tip at N
    double axisRow = 240.3;
};

class Machine {
  public:
    explicit Machine(const Geometry& g) : g_(g) {}
    const Geometry& geometry() const { return g_; }

    double TipColumn(double pushMm, double lengthMm) const {
        return g_.loadColumn - (pushMm + lengthMm - g_.standardLength) / g_.mmPerPixel;
    }
    // Tip column of the standard drill at calibration position N.
    double ColumnN() const { return TipColumn(g_.initMoveX + g_.moveX, g_.standardLength); }
    double RingDepth(double tipColumn, double pressError) const {
        return g_.pressDepthAtN + (ColumnN() - tipColumn) * g_.mmPerPixel + pressError;
    }

  private:
    Geometry g_;
};

// One drill of the batch, with its true measures.
struct Drill {
    double length;       // mm
    double diameter;     // mm
    double pressError;   // mm: how far the press misses
};

// Nominal values and tolerances the machine builder set up.
struct Recipe {
    double length = 38.1, lengthTol = 0.05;
    double diameter = 0.3, diameterTol = 0.01;
    double ringDepth = 4.5, ringTol = 0.02;
};

// Drills around the recipe; about one in four is outside a tolerance on
// purpose.
class DrillFeeder {
  public:
    DrillFeeder(const Recipe& r, uint32_t seed) : r_(r), rng_(seed) {}
    Drill Next();

  private:
    Recipe r_;
    std::mt19937 rng_;
};

} // namespace machine
