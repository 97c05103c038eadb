#include "libs/login/mark_drawing.h"

#include <cmath>
#include <cstdio>

namespace login {
namespace {

// Ticks closer than this would blur into a bar; labels need room for "10".
constexpr double kMinTickSpacing = 4.0;
constexpr double kMinLabelSpacing = 20.0;
// Views larger than this are drawn over their first part only, which keeps
// the work of one frame bounded whatever the caller passes.
constexpr int32_t kMaxExtent = 1 << 15;

// Puts back the object that was selected before.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Deletes an object this code created (after it has been deselected: declare
// it before the Selected that selects it).
class Owned {
  public:
    explicit Owned(HGDIOBJ object) : object_(object) {}
    ~Owned() {
        if (object_)
            DeleteObject(object_);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    HGDIOBJ get() const { return object_; }

  private:
    HGDIOBJ object_;
};

// Text colour, background mode and alignment, put back on leaving.
class TextState {
  public:
    TextState(HDC dc, COLORREF colour)
        : dc_(dc), colour_(SetTextColor(dc, colour)), mode_(SetBkMode(dc, TRANSPARENT)),
          align_(GetTextAlign(dc)) {}
    ~TextState() {
        if (colour_ != CLR_INVALID)
            SetTextColor(dc_, colour_);
        if (mode_)
            SetBkMode(dc_, mode_);
        if (align_ != GDI_ERROR)
            SetTextAlign(dc_, align_);
    }
    TextState(const TextState&) = delete;
    TextState& operator=(const TextState&) = delete;

  private:
    HDC dc_;
    COLORREF colour_;
    int mode_;
    UINT align_;
};

bool UsableScale(double mmPerPixel) {
    return std::isfinite(mmPerPixel) && mmPerPixel > 0.0;
}

int32_t Clamped(int32_t v) {
    return v > kMaxExtent ? kMaxExtent : v;
}

} // namespace

int32_t TickHalfLength(TickKind kind) {
    switch (kind) {
    case TickKind::Tenth:
        return 3;
    case TickKind::Half:
        return 6;
    case TickKind::Whole:
        return 10;
    }
    return 0;
}

bool LabelsFit(double mmPerPixel) {
    return UsableScale(mmPerPixel) && 1.0 / mmPerPixel >= kMinLabelSpacing;
}

std::vector<Tick> TicksAlong(int32_t extent, int32_t centre, double mmPerPixel) {
    std::vector<Tick> ticks;
    extent = Clamped(extent);
    if (extent <= 0 || !UsableScale(mmPerPixel))
        return ticks;
    const double tenth = 0.1 / mmPerPixel; // pixels per 0.1 mm
    if (!std::isfinite(tenth))
        return ticks;
    // The finest kind that is not too dense sets the stride in tenths.
    int stride = 0;
    if (tenth >= kMinTickSpacing)
        stride = 1;
    else if (5.0 * tenth >= kMinTickSpacing)
        stride = 5;
    else if (10.0 * tenth >= kMinTickSpacing)
        stride = 10;
    else
        return ticks;
    const double step = stride * tenth;
    // Tick numbers (in strides) that can land inside [0, extent).
    const double first = std::floor((-0.5 - static_cast<double>(centre)) / step) - 1.0;
    const double last = std::ceil((extent - 0.5 - static_cast<double>(centre)) / step) + 1.0;
    ticks.reserve(static_cast<std::size_t>(last - first + 1.0));
    for (double n = first; n <= last; n += 1.0) {
        if (n == 0.0)
            continue;
        const double at = static_cast<double>(centre) + n * step;
        if (at < -0.5 || at >= extent - 0.5)
            continue;
        const int64_t tenths = static_cast<int64_t>(n) * stride;
        Tick t;
        t.along = static_cast<int32_t>(std::lround(at));
        t.tenths = static_cast<int32_t>(tenths);
        t.kind = tenths % 10 == 0  ? TickKind::Whole
                 : tenths % 5 == 0 ? TickKind::Half
                                   : TickKind::Tenth;
        ticks.push_back(t);
    }
    return ticks;
}

void DrawMark(HDC dc, int32_t width, int32_t height, int32_t centreX, int32_t centreY,
              double mmPerPixel, const MarkSettings& s) {
    width = Clamped(width);
    height = Clamped(height);
    if (!dc || width <= 0 || height <= 0)
        return;
    const auto& colours = MarkColours();
    const COLORREF colour =
        colours[s.colour >= 0 && s.colour < static_cast<int>(colours.size()) ? s.colour : 0].rgb;

    {
        Owned pen(CreatePen(PS_SOLID, s.width, colour));
        if (!pen.get())
            return;
        Selected usePen(dc, pen.get());
        if (centreY >= -s.width && centreY < height + s.width) {
            MoveToEx(dc, 0, centreY, nullptr);
            LineTo(dc, width, centreY);
        }
        if (centreX >= -s.width && centreX < width + s.width) {
            MoveToEx(dc, centreX, 0, nullptr);
            LineTo(dc, centreX, height);
        }
    }
    if (!s.ticks || !UsableScale(mmPerPixel))
        return;

    // A line's ticks and labels reach at most this far beside it; a line
    // farther off the picture than that shows none of them.
    constexpr int32_t kBeside = 64;
    const bool rowNear = centreY > -kBeside && centreY < height + kBeside;
    const bool columnNear = centreX > -kBeside && centreX < width + kBeside;
    const std::vector<Tick> across =
        rowNear ? TicksAlong(width, centreX, mmPerPixel) : std::vector<Tick>{}; // on the row
    const std::vector<Tick> down =
        columnNear ? TicksAlong(height, centreY, mmPerPixel) : std::vector<Tick>{}; // column
    std::vector<POINT> points;
    std::vector<DWORD> counts;
    points.reserve(2 * (across.size() + down.size()));
    counts.reserve(across.size() + down.size());
    for (const Tick& t : across) {
        const int32_t h = TickHalfLength(t.kind);
        points.push_back({t.along, centreY - h});
        points.push_back({t.along, centreY + h + 1});
        counts.push_back(2);
    }
    for (const Tick& t : down) {
        const int32_t h = TickHalfLength(t.kind);
        points.push_back({centreX - h, t.along});
        points.push_back({centreX + h + 1, t.along});
        counts.push_back(2);
    }
    if (!counts.empty()) {
        Owned pen(CreatePen(PS_SOLID, 1, colour));
        if (!pen.get())
            return;
        Selected usePen(dc, pen.get());
        PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
    }

    if (!LabelsFit(mmPerPixel))
        return;
    Selected useFont(dc, GetStockObject(DEFAULT_GUI_FONT));
    TextState text(dc, colour);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const int32_t reach = TickHalfLength(TickKind::Whole);
    char label[16];
    SetTextAlign(dc, TA_CENTER | TA_TOP | TA_NOUPDATECP);
    for (const Tick& t : across) {
        if (t.kind != TickKind::Whole)
            continue;
        const int n = std::snprintf(label, sizeof label, "%d", std::abs(t.tenths / 10));
        TextOutA(dc, t.along, centreY + reach + 2, label, n);
    }
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    for (const Tick& t : down) {
        if (t.kind != TickKind::Whole)
            continue;
        const int n = std::snprintf(label, sizeof label, "%d", std::abs(t.tenths / 10));
        TextOutA(dc, centreX + reach + 3, t.along - tm.tmHeight / 2, label, n);
    }
}

} // namespace login
