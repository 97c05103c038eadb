// The cross-line mark: a horizontal and a vertical line through the centre,
// with millimetre ticks along both.
#pragma once

#include "libs/login/mark_settings.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace login {

enum class TickKind { Tenth, Half, Whole };

struct Tick {
    int32_t along;  // x on the horizontal line, y on the vertical one
    int32_t tenths; // signed distance from the centre in 0.1 mm
    TickKind kind;
};

// Half-lengths (pixels each side of the line) of the three kinds of tick.
int32_t TickHalfLength(TickKind kind);

// The ticks on one line of `extent` pixels whose centre is at `centre`, at
// every 0.1 mm for a scale of mmPerPixel.  Kinds whose ticks would stand
// closer than a few pixels are left out; a scale that is not finite and
// positive gives none.  The centre itself carries no tick.
std::vector<Tick> TicksAlong(int32_t extent, int32_t centre, double mmPerPixel);

// Whether whole-millimetre labels fit at this scale.
bool LabelsFit(double mmPerPixel);

// Draws the mark into dc over width x height; every GDI object it selects is
// put back and every object it creates is deleted before it returns.
void DrawMark(HDC dc, int32_t width, int32_t height, int32_t centreX, int32_t centreY,
              double mmPerPixel, const MarkSettings& settings);

} // namespace login
