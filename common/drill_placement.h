// A standard carbide PCB drill placed in front of the simulated camera, as
// the host simulator and the station's tests show it: 3.175 mm shank, 2 mm
// fluted body, 0.5 mm neck, 130 degree point, blurred and noisy optics, and
// a pressed ring 4 mm across and 0.3 mm wide when a ring depth is given.
#pragma once

#include "contracts/grabcard_sim.h"

namespace common {

struct DrillPlacement {
    double mmPerPixel;
    double axisRow;   // pixels
    double tipColumn; // pixels
    double length;    // mm, total
    double diameter;  // mm, fluted body
    double ringDepth; // mm from the tip to the ring's left face; 0: no ring
    int32_t seed;
};

// The scene with the drill; what the placement does not say (background and
// silhouette grey levels) stays as the scene had it.
inline void PlaceDrill(DrillScene& s, const DrillPlacement& p) {
    s.mmPerPixel = p.mmPerPixel;
    s.tipColumn = p.tipColumn;
    s.axisRow = p.axisRow;
    s.bodyDiameter = p.diameter;
    s.shankDiameter = 3.175;
    s.bodyLength = 2.0;
    s.neckLength = 0.5;
    s.totalLength = p.length;
    s.tipAngle = 130;
    s.ringOuterDiameter = p.ringDepth > 0 ? 4.0 : 0.0;
    s.ringWidth = p.ringDepth > 0 ? 0.3 : 0.0;
    s.ringPlace = p.ringDepth > 0 ? p.ringDepth : 9.0;
    s.blurSigma = 1.0;
    s.noiseSigma = 2.0;
    s.seed = p.seed;
}

} // namespace common
