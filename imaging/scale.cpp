#include "imaging/scale.h"

#include "imaging/settings.h"

namespace station {

double PixelToMm(double x) {
    const double fixed = CurrentSettings().MmPerPixel;
    if (fixed >= 0)
        return fixed * x;
    const ParameterSet* p = PublishedParameters();
    return p ? x * p->station.CalMmPerPixel : 0.0;
}

double PixelToMmAt(double x, int i) {
    const double fixed = CurrentSettings().MmPerPixel;
    if (fixed >= 0)
        return fixed * x;
    const ParameterSet* p = PublishedParameters();
    if (!p || i < 0 || i > 3)
        return 0.0;
    return x * p->station.DiameterMmPerPixel[static_cast<std::size_t>(i)];
}

double MmToPixel(double x) {
    const double fixed = CurrentSettings().MmPerPixel;
    if (fixed > 0)
        return x / fixed;
    if (fixed == 0)
        return 0.0;  // no scale: nothing to divide by
    const ParameterSet* p = PublishedParameters();
    if (p && p->station.CalMmPerPixel >= 1e-6)
        return x / p->station.CalMmPerPixel;
    return 0.0;
}

int DiameterClass(double d) {
    if (d < 0.5001)
        return 0;
    if (d < 1.0001)
        return 1;
    if (d < 1.5001)
        return 2;
    return 3;
}

} // namespace station
