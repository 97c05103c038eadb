// Pixels and millimetres.  A settings value MmPerPixel >= 0 overrides the
// calibrated scales of the parameter set.
#pragma once

#include "params/parameter_set.h"

namespace station {

double PixelToMm(double x);
// A diameter in pixels with the scale of diameter class i (0..3).
double PixelToMmAt(double x, int i);
// 0 where no usable scale exists (MmPerPixel 0, or no calibration).
double MmToPixel(double x);

// Diameter class of a diameter in millimetres: 0 below 0.5001, 1 below
// 1.0001, 2 below 1.5001, else 3.
int DiameterClass(double d);

} // namespace station
