// What the view overlays draw, as numbers and texts: the four reference
// lines with their two value texts, the ring caption and the blinking frame
// counter.  The drawing itself is the window's.
#pragma once

#include "params/parameter_set.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace station {

struct ReferenceLines {
    int32_t rangeX1;        // grey line, a view column (no zoom)
    int32_t rangeX2;        // blue line, a view column (no zoom)
    int32_t edgeM;          // green line at the M edge
    int32_t ring;           // yellow line: the ring marker column
    std::string lengthText; // beside the green line: StdLength
    std::string ringText;   // beside the yellow line: the ring depth
};

// The ring depth shown: (RingPosition - StdRingPosition) + StdRingPosition.
double RingDepth(const StationBlock& s, const MaterialRecord& m);

// The lines for the display zoom; MmToPixel gives the ring target's pixels.
ReferenceLines ComputeReferenceLines(const StationBlock& s, const MaterialRecord& m, double zoom);

// The caption of ShowD: "<label> <ring depth with three decimals>".
std::string RingCaption(const std::string& label, const StationBlock& s, const MaterialRecord& m);

// The frame counter of the view, 0 at load, cycling 0..9; shared by the
// window's and the capture library's threads.
class FrameCounter {
  public:
    // The digit to draw on this paint ("0" five times, then "1" five times),
    // and the counter advanced.
    int32_t Next();
    int32_t value() const { return value_.load(); }
    void Reset() { value_ = 0; }

  private:
    std::atomic<int32_t> value_{0};
};

FrameCounter& TheFrameCounter();

} // namespace station
