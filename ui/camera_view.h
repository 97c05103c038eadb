// The camera view of the main window: the picture composed in the
// off-screen bitmap (one to one, reduced by the imaging library, or
// stretched), the overlays drawn over it, and the result copied into the
// view.  A paint may come from the window's thread, from the host's thread
// inside a command, or from the capture library's thread after a frame; one
// paint never interleaves with another.
#pragma once

#include "contracts/login.h"
#include "imaging/v_process.h"
#include "params/parameter_set.h"
#include "ui/kit/canvas.h"
#include "ui/kit/controls.h"

#include <memory>
#include <mutex>
#include <string>

namespace station {

class CameraView {
  public:
    // stationLock: held by whoever writes the parameter set; a paint takes
    // the values only when it is free (or its own thread's).
    CameraView(vProcess& device, const LoginApi& login, kit::ImageView& view,
               kit::Control& ringPanel, std::recursive_mutex& stationLock);

    // The off-screen bitmap, image size (acquisition start-up).
    void CreateOffscreen(int32_t imageWidth, int32_t imageHeight);
    void ReleaseOffscreen();
    // The view's size (view geometry): the view's own canvas.
    void SetViewSize(int32_t width, int32_t height);
    // The label of the ring caption (a language text).
    void SetRingLabel(const std::string& label);

    // Paints the picture at image with every overlay into the view.  The
    // overlays follow params as they stood when the station lock was last
    // free: a paint from the camera's thread during a command draws the
    // values from before it, never half of a calibration's.
    void Paint(const uint8_t* image, const ParameterSet& params);
    // The measured line, straight into the view until the next paint.
    void DrawMeasuredLine(double x1, double y1, double x2, double y2);

    // The ring panel's caption as the last paint computed it; on the
    // window's thread (a paint on another thread leaves it to this).
    void ApplyRingCaption();

    kit::Canvas* offscreen() const { return offscreen_.get(); }
    int32_t viewWidth() const { return viewWidth_; }
    int32_t viewHeight() const { return viewHeight_; }

  private:
    void ComposePicture(const uint8_t* image);
    void DrawMark();
    void DrawFrameCounter();
    void DrawReferenceLines();
    void CopyToView();

    vProcess& device_;
    LoginApi login_;
    kit::ImageView& view_;
    kit::Control& ringPanel_;
    std::unique_ptr<kit::Canvas> offscreen_;
    int32_t imageWidth_ = 640, imageHeight_ = 480;
    int32_t viewWidth_ = 640, viewHeight_ = 480;
    std::recursive_mutex& stationLock_;
    std::mutex paint_; // one paint at a time; guards the canvases and the values below
    StationBlock station_{};
    MaterialRecord material_{};
    std::mutex labelLock_;
    std::string ringLabel_;
    std::string ringCaption_;
    kit::Font counterFont_, textFont_;
    kit::Pen grey_, blue_, green_, yellow_;
};

} // namespace station
