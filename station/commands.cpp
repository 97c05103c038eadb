#include "station/commands.h"

#include "imaging/scale.h"
#include "station/rounding.h"

#include <atomic>
#include <cmath>
#include <cstdio>

namespace station {

bool WithinTolerance(double v, double nominal, double up, double low) {
    if (!std::isfinite(v))
        return false;
    const int32_t hi = RoundHalfAway((nominal + up) * 1000);
    const int32_t lo = RoundHalfAway((nominal + low) * 1000);
    const int32_t m = RoundHalfAway(v * 1000);
    return lo <= m && m <= hi;
}

Measurement Commands::Measure(int selector, int32_t cut, bool secondPass) {
    const MeasurementSetup m{
        s_.picture, s_.view,   s_.gauge,      s_.clock,
        s_.width,   s_.height, s_.grabNumber, s_.params.material.DiameterRangeX2};
    return MeasureDrill(m, selector, cut, secondPass);
}

double Commands::RingTarget() const {
    const auto& m = s_.params.material;
    return m.OffsetX + (m.RingPosition - s_.params.station.StdRingPosition);
}

void Commands::Begin(char letter) {
    char text[8];
    std::snprintf(text, sizeof text, "@%c*", letter);
    texts_.command.Set(text);
}

int32_t Commands::Fail(char letter, int32_t code) {
    char text[64];
    std::snprintf(text, sizeof text, "@NG%c%c* (%d)", letter, letter, static_cast<int>(code));
    texts_.reply.Set(text);
    return code;
}

void Commands::ReplyCount(char letter, int32_t r) {
    if (r < 0) {
        Fail(letter, r);
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "@%c%04d*", letter, static_cast<int>(r));
    texts_.reply.Set(text);
}

void Commands::ReplyOk(char letter, int32_t r) {
    if (r < 0) {
        Fail(letter, r);
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "@OK%c%c*", letter, letter);
    texts_.reply.Set(text);
}

int32_t Commands::InspectA() {
    const auto& st = s_.params.station;
    const auto& mat = s_.params.material;
    const double target = RingTarget();
    const bool greenLine = mat.DiameterAtGreenLine != 0;
    const int32_t cut = greenLine ? mat.DiameterRangeX1 : s_.width - 5;
    Begin('A');
    const Measurement m = Measure(0, cut, false);
    if (m.status != 0)
        return Fail('A', m.status);
    const double d = target - PixelToMm(st.EdgePosN - m.position);
    const int32_t r = RoundHalfAway(d * s_.pulsePerMm);
    last_.offset = d;
    last_.pending = 0.0;
    const double length =
        st.StdLength - PixelToMm(m.position - st.EdgePosM) + mat.DrillLengthOffset;
    last_.length = length;
    if (r >= 0 &&
        !WithinTolerance(length, mat.DrillLength, mat.DrillLengthUpTol, mat.DrillLengthLowTol))
        last_.pending = -3.0;
    if (greenLine) {
        const double dia = PixelToMmAt(m.height, DiameterClass(mat.Diameter)) + mat.DiameterOffset;
        last_.diameter = dia;
        if (r >= 0 && !WithinTolerance(dia, mat.Diameter, mat.DiameterUpTol, mat.DiameterLowTol))
            last_.pending = -4.0;
    }
    ReplyCount('A', r);
    return r;
}

int32_t Commands::InspectB() {
    const auto& st = s_.params.station;
    const auto& mat = s_.params.material;
    const double target = RingTarget();
    const bool greenLine = mat.DiameterAtGreenLine != 0;
    const int32_t cut = greenLine ? s_.width - 5 : mat.DiameterRangeX1;
    Begin('B');
    const Measurement m = Measure(0, cut, !greenLine);
    if (m.status != 0)
        return Fail('B', m.status);
    int32_t r = 0;
    const double pending = last_.pending.load();
    if (pending != 0) {
        r = static_cast<int32_t>(pending);
    } else {
        const double t = PixelToMm(st.EdgePosN - m.position);
        const bool inside = target + mat.LowTol <= t && t <= target + mat.UpTol;
        r = inside ? 0 : -2;
        last_.offset = t + mat.RingPosition - target;
        if (!greenLine) {
            const double dia =
                PixelToMmAt(m.height, DiameterClass(mat.Diameter)) + mat.DiameterOffset;
            last_.diameter = dia;
            if (r == 0 &&
                !WithinTolerance(dia, mat.Diameter, mat.DiameterUpTol, mat.DiameterLowTol))
                r = -4;
        }
    }
    ReplyOk('B', r);
    return r;
}

int32_t Commands::CalibrateM() {
    Begin('M');
    const Measurement m = Measure(1, s_.width - 5, false);
    if (m.status != 0)
        return Fail('M', m.status);
    s_.params.station.EdgePosM = m.position;
    const int32_t r = RoundHalfAway(s_.params.station.MoveX * s_.pulsePerMm);
    s_.view.RefreshView();
    ReplyCount('M', r);
    return r;
}

int32_t Commands::CalibrateN() {
    auto& st = s_.params.station;
    const int k = DiameterClass(st.StdDiameter);
    Begin('N');
    const Measurement m = Measure(1, s_.params.material.DiameterRangeX1, true);
    if (m.status != 0)
        return Fail('N', m.status);
    // Without a drill height no diameter scale can be derived.
    if (!(m.height > 0) || !std::isfinite(m.height))
        return Fail('N', -1);
    st.EdgePosN = m.position;
    const double d = std::fabs(st.EdgePosN - st.EdgePosM);
    int32_t r = 0;
    if (!(d >= 0.001)) {
        r = -9;
    } else {
        // The value panels read the scales while a command may write them.
        std::atomic_ref<double>(st.CalMmPerPixel).store(st.MoveX / d);
        std::atomic_ref<double>(st.DiameterMmPerPixel[static_cast<std::size_t>(k)])
            .store(st.StdDiameter / m.height);
        s_.view.RefreshView();
        s_.files.SaveParameterFile();
    }
    ReplyOk('N', r);
    return r;
}

int32_t Commands::SetBaseLine() {
    Begin('L');
    const Measurement m = Measure(1, s_.width - 5, false);
    if (m.status != 0)
        return Fail('L', m.status);
    s_.params.station.EdgePosN = m.position;
    s_.view.RefreshView();
    s_.files.SaveParameterFile();
    ReplyCount('L', 0);
    return 0;
}

} // namespace station
