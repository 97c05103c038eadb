#include "ui/camera_view.h"

#include "imaging/overlay_rules.h"
#include "imaging/scale.h"
#include "station/last_values.h"
#include "station/rounding.h"

#include <cstdio>

namespace station {
namespace {

constexpr COLORREF kGreyLine = RGB(128, 128, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreenLine = RGB(0, 128, 0);
constexpr COLORREF kYellowLine = RGB(255, 255, 0);
constexpr COLORREF kCounterColour = RGB(255, 0, 0);
constexpr BYTE kOverlayCharset = 204;
// Font sizes in points, on a 96 dpi canvas.
constexpr int kCounterPoints = 24, kTextPoints = 8;

HFONT OverlayFont(int points) {
    return CreateFontA(-MulDiv(points, 96, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       kOverlayCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
}

void VerticalLine(HDC dc, HPEN pen, int x, int height) {
    kit::Select p(dc, pen);
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, height - 1);
}

void Text(HDC dc, int x, int y, const std::string& text) {
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

} // namespace

CameraView::CameraView(vProcess& device, const LoginApi& login, kit::ImageView& view,
                       kit::Control& ringPanel, std::recursive_mutex& stationLock)
    : device_(device), login_(login), view_(view), ringPanel_(ringPanel), stationLock_(stationLock),
      counterFont_(OverlayFont(kCounterPoints)), textFont_(OverlayFont(kTextPoints)),
      grey_(CreatePen(PS_SOLID, 1, kGreyLine)), blue_(CreatePen(PS_SOLID, 1, kBlue)),
      green_(CreatePen(PS_SOLID, 1, kGreenLine)), yellow_(CreatePen(PS_SOLID, 1, kYellowLine)) {}

void CameraView::CreateOffscreen(int32_t w, int32_t h) {
    std::lock_guard<std::mutex> g(paint_);
    imageWidth_ = w;
    imageHeight_ = h;
    offscreen_ = std::make_unique<kit::Canvas>(w, h);
}

void CameraView::ReleaseOffscreen() {
    std::lock_guard<std::mutex> g(paint_);
    offscreen_.reset();
}

void CameraView::SetViewSize(int32_t w, int32_t h) {
    std::lock_guard<std::mutex> g(paint_);
    viewWidth_ = w;
    viewHeight_ = h;
    if (!view_.canvas() || view_.canvas()->width() != w || view_.canvas()->height() != h)
        view_.SetCanvas(std::make_unique<kit::Canvas>(w, h));
}

void CameraView::SetRingLabel(const std::string& label) {
    std::lock_guard<std::mutex> g(labelLock_);
    ringLabel_ = label;
}

void CameraView::Paint(const uint8_t* image, const ParameterSet& params) {
    std::lock_guard<std::mutex> g(paint_);
    if (!offscreen_ || !view_.canvas() || !image)
        return;
    {
        std::unique_lock<std::recursive_mutex> values(stationLock_, std::try_to_lock);
        if (values.owns_lock()) {
            station_ = params.station;
            material_ = params.material;
        }
    }
    ComposePicture(image);
    DrawMark();
    DrawFrameCounter();
    DrawReferenceLines();
    CopyToView();
}

void CameraView::ComposePicture(const uint8_t* image) {
    vCtrlDispImg* display = device_.displayObject.get();
    if (!display)
        return;
    const bool tall = imageHeight_ > 500;
    if (tall && display->mode() != 1) {
        std::lock_guard<std::mutex> canvas(offscreen_->lock());
        display->StretchShow(offscreen_->dc(), image, 0, 0, imageWidth_, imageHeight_, 0, 0,
                             static_cast<int32_t>(imageWidth_ * device_.zoom),
                             static_cast<int32_t>(imageHeight_ * device_.zoom));
        return;
    }
    const uint8_t* picture = image;
    int32_t w = imageWidth_, h = imageHeight_;
    if (tall) {
        // The imaging library reduces a tall grey picture into its display
        // buffer, view-sized.
        device_.PutImage(image, vMilAnalysis::kGrey0);
        picture = device_.ScaleForDisplay(device_.zoom, true, vMilAnalysis::kDisplay);
        w = viewWidth_;
        h = viewHeight_;
        if (!picture)
            return;
    }
    std::lock_guard<std::mutex> canvas(offscreen_->lock());
    display->Show(offscreen_->dc(), picture, w, h);
}

void CameraView::DrawMark() {
    if (!login_.DrawMark)
        return;
    std::lock_guard<std::mutex> canvas(offscreen_->lock());
    const double zoom = device_.zoom;
    login_.DrawMark(offscreen_->dc(), viewWidth_, viewHeight_, viewWidth_ / 2, viewHeight_ / 2,
                    zoom != 0 ? PixelToMm(1.0) / zoom : 0.0);
}

void CameraView::DrawFrameCounter() {
    std::lock_guard<std::mutex> canvas(offscreen_->lock());
    HDC dc = offscreen_->dc();
    kit::SavedDc saved(dc);
    kit::Select font(dc, counterFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kCounterColour);
    Text(dc, 10, 5, std::to_string(TheFrameCounter().Next()));
}

void CameraView::DrawReferenceLines() {
    std::lock_guard<std::mutex> canvas(offscreen_->lock());
    {
        std::lock_guard<std::mutex> g(labelLock_);
        ringCaption_ = RingCaption(ringLabel_, station_, material_);
    }
    // Only the panel's own thread sets its text: from another thread that
    // would wait for the window's thread, which may itself be waiting for
    // this paint (a command's picture painted under the same lock).  The
    // window's timer takes the text up from there.
    if (GetWindowThreadProcessId(ringPanel_.hwnd(), nullptr) == GetCurrentThreadId())
        ApplyRingCaption();
    if (login_.GetDrawMarkSwitch && login_.GetDrawMarkSwitch() != 0)
        return;
    const ReferenceLines lines = ComputeReferenceLines(station_, material_, device_.zoom);
    RingMarkerColumn() = lines.ring;

    HDC dc = offscreen_->dc();
    kit::SavedDc saved(dc);
    SetROP2(dc, R2_COPYPEN);
    SetBkMode(dc, TRANSPARENT);
    kit::Select font(dc, textFont_.get());
    SetTextColor(dc, kBlue);
    const int h = viewHeight_;
    VerticalLine(dc, grey_.get(), lines.rangeX1, h);
    VerticalLine(dc, blue_.get(), lines.rangeX2, h);
    VerticalLine(dc, green_.get(), lines.edgeM, h);
    Text(dc, lines.edgeM + 4, 2, lines.lengthText);
    VerticalLine(dc, yellow_.get(), lines.ring, h);
    Text(dc, lines.ring + 4, 2, lines.ringText);
}

void CameraView::ApplyRingCaption() {
    std::string caption;
    {
        std::lock_guard<std::mutex> g(labelLock_);
        caption = ringCaption_;
    }
    if (ringPanel_.Caption() != caption)
        ringPanel_.SetCaption(caption);
}

void CameraView::CopyToView() {
    kit::Canvas* view = view_.canvas();
    {
        std::lock_guard<std::mutex> v(view->lock());
        std::lock_guard<std::mutex> o(offscreen_->lock());
        BitBlt(view->dc(), 0, 0, viewWidth_, viewHeight_, offscreen_->dc(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    if (view_.hwnd())
        InvalidateRect(view_.hwnd(), nullptr, FALSE);
}

void CameraView::DrawMeasuredLine(double x1, double y1, double x2, double y2) {
    // The view's canvas is replaced by a resize under this lock.
    std::lock_guard<std::mutex> g(paint_);
    kit::Canvas* view = view_.canvas();
    if (!view)
        return;
    {
        std::lock_guard<std::mutex> v(view->lock());
        HDC dc = view->dc();
        kit::SavedDc saved(dc);
        SetROP2(dc, R2_COPYPEN);
        kit::Select pen(dc, blue_.get());
        MoveToEx(dc, RoundHalfAway(x1), RoundHalfAway(y1), nullptr);
        LineTo(dc, RoundHalfAway(x2), RoundHalfAway(y2));
        GdiFlush();
    }
    if (view_.hwnd())
        InvalidateRect(view_.hwnd(), nullptr, FALSE);
}

} // namespace station
