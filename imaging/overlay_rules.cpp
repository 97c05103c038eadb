#include "imaging/overlay_rules.h"

#include "imaging/scale.h"
#include "station/rounding.h"

#include <cstdio>

namespace station {

double RingDepth(const StationBlock& s, const MaterialRecord& m) {
    return (m.RingPosition - s.StdRingPosition) + s.StdRingPosition;
}

ReferenceLines ComputeReferenceLines(const StationBlock& s, const MaterialRecord& m, double zoom) {
    ReferenceLines l{};
    l.rangeX1 = m.DiameterRangeX1;
    l.rangeX2 = m.DiameterRangeX2;
    l.edgeM = RoundHalfAway(s.EdgePosM * zoom);
    const double target = (m.RingPosition - s.StdRingPosition) + m.OffsetX;
    l.ring = RoundHalfAway((s.EdgePosN - MmToPixel(target)) * zoom);
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", s.StdLength);
    l.lengthText = text;
    std::snprintf(text, sizeof text, "%.4f", RingDepth(s, m));
    l.ringText = text;
    return l;
}

std::string RingCaption(const std::string& label, const StationBlock& s, const MaterialRecord& m) {
    char value[64];
    std::snprintf(value, sizeof value, "%.3f", RingDepth(s, m));
    return label + " " + value;
}

int32_t FrameCounter::Next() {
    int32_t v = value_.load();
    int32_t next;
    do {
        next = v + 1 == 10 ? 0 : v + 1;
    } while (!value_.compare_exchange_weak(v, next));
    return v / 5;
}

FrameCounter& TheFrameCounter() {
    static FrameCounter counter;
    return counter;
}

} // namespace station
