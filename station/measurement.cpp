#include "station/measurement.h"

#include "common/cut.h"
#include "station/last_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace station {
namespace {

constexpr uint8_t kWhite = 255;
constexpr int kWaitPerImageMs = 10;
constexpr int kCalibrationImages = 12;
constexpr double kBandHalfRows = 10.0;

// The rows trunc(row - 10) .. while k < row + 10, kept inside the image.
void WhiteBand(uint8_t* image, int32_t w, int32_t h, int32_t first, int32_t last, double row) {
    if (!std::isfinite(row))
        return;
    const double from = std::trunc(row - kBandHalfRows);
    const double to = row + kBandHalfRows;
    const int32_t k0 = static_cast<int32_t>(std::max(from, 0.0));
    for (int32_t k = k0; k < h && k < to; ++k)
        for (int32_t x = first; x <= last; ++x)
            image[static_cast<std::size_t>(k) * w + x] = kWhite;
}

// A first edge point is usable when both coordinates are numbers >= 0.
bool UsableFirstPoint(double x1, double y1) {
    return x1 >= 0 && y1 >= 0;
}

// One prepared picture: cut, tested for the camera's signal, searched, and
// searched again over white bands when asked.  0 with the edge points, or
// the measurement's failure status.
int32_t MeasureOnePicture(const MeasurementSetup& s, uint8_t* image, int32_t c, bool secondPass,
                          double& x1, double& y1, double& x2, double& y2) {
    common::CutAt(image, s.width, s.height, c);
    if (std::memcmp(image, kNoSignalMarker, sizeof kNoSignalMarker) == 0)
        return -7;
    if (s.gauge.DetectHeight(image, &x1, &y1, &x2, &y2) != 0)
        return -1;
    if (!UsableFirstPoint(x1, y1))
        return -6;
    const int32_t ring = RingMarkerColumn().load();
    if (secondPass && s.rangeX2 > ring) {
        const int32_t first = std::max(ring, 0);
        const int32_t last = std::min(s.rangeX2, s.width - 2);
        WhiteBand(image, s.width, s.height, first, last, y1);
        WhiteBand(image, s.width, s.height, first, last, y2);
        double a = NAN, b = NAN, c2 = NAN, d = NAN;
        if (s.gauge.DetectHeight(image, &a, &b, &c2, &d) != 0)
            return -1;
        if (!UsableFirstPoint(a, b))
            return -6;
        y1 = b;
        y2 = d;
    }
    // A second point that is no number cannot be averaged.
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return -6;
    return 0;
}

} // namespace

Measurement MeasureDrill(const MeasurementSetup& s, int selector, int32_t c, bool secondPass) {
    Measurement m;
    const int32_t n = selector == 0 ? std::max(s.grabNumber, 1) : kCalibrationImages;
    double sx1 = 0, sy1 = 0, sx2 = 0, sy2 = 0;
    // Each picture is measured in a copy of its own: live frames that the
    // camera writes into the image memory meanwhile, and the window's image
    // commands, never reach the picture being cut and searched, and the cut
    // of one command never stays in the picture of the next.  The view
    // shows the last picture as it was measured, with its cut and bands.
    std::vector<uint8_t> frame;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* memory = s.picture.GrabAndGetImage();
        s.clock.WaitMs(kWaitPerImageMs);
        if (!memory || s.width < 2 || s.height < 1) {
            m.status = -1;
            return m;
        }
        frame.assign(memory, memory + static_cast<std::size_t>(s.width) * s.height);
        double x1 = NAN, y1 = NAN, x2 = NAN, y2 = NAN;
        const int32_t status = MeasureOnePicture(s, frame.data(), c, secondPass, x1, y1, x2, y2);
        if (status != 0) {
            s.view.ShowMeasuredPicture(frame.data());
            m.status = status;
            return m;
        }
        sx1 += x1;
        sy1 += y1;
        sx2 += x2;
        sy2 += y2;
    }
    const double X1 = sx1 / n, Y1 = sy1 / n, X2 = sx2 / n, Y2 = sy2 / n;
    s.view.ShowMeasuredPicture(frame.data());
    s.view.DrawMeasuredLine(X1, Y1, X2, Y2);
    m.position = X1;
    m.height = std::fabs(Y1 - Y2);
    m.status = 0;
    return m;
}

} // namespace station
