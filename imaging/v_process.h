// The vision device: owns the camera side of the station (settings, I/O and
// capture libraries, display object, imaging buffers, pulse scale).
#pragma once

#include "imaging/settings.h"
#include "imaging/v_ctrl_disp_img.h"
#include "imaging/v_image_card.h"
#include "imaging/v_mil_analysis.h"
#include "station/ports.h"

#include <cstdint>
#include <memory>
#include <string>

namespace station {

// What the device runs on.
struct DevicePorts {
    CapturePort& capture;
    IoPort& io;
    ImagingPort& imaging;
    PageMemory& pages;
};

class vManager : public vMilAnalysis {
  public:
    explicit vManager(const DevicePorts& ports);
    ~vManager() override;

    // Device start: settings, I/O, capture, display object, image size,
    // imaging buffers.  width and height come in with the caller's defaults
    // and leave with the camera's image size.  Non-zero when the camera has
    // no usable picture size.
    int32_t Init(SettingsLookup& settings, int32_t& width, int32_t& height);

    // Image operations (card and channel 0).
    int32_t GrabFrame();
    int32_t StartLive();
    int32_t StopLive();
    uint8_t* GetImageAddr(bool fresh);
    int32_t GetImageSize(int32_t* width, int32_t* height);
    // Registers the station's grab-finished function with wait method 1.
    void RegisterGrabFinished() { capture_.RegisterGrabFinished(); }
    // 0, or 1 when the imaging library is not set up.
    int32_t LoadImage(const std::string& file);
    // 0; 1 when the imaging library is not set up; kImageNotWritten when the
    // library could not write the file.
    int32_t SaveImage(const std::string& file);
    static constexpr int32_t kImageNotWritten = 2;
    // What the operator is told then, followed by the file's path.
    static constexpr const char* kImageWriteError = "Image Write error...\n";

    double pulsePerMm = 0.0;
    vImageCard card;
    std::unique_ptr<vCtrlDispImg> displayObject;
    const MotionSettings& motion() const { return motion_; }

  private:
    void ReadMotionSettings(SettingsLookup& settings);
    int32_t DisplayMode() const { return displayObject ? displayObject->mode() : 1; }

    CapturePort& capture_;
    IoPort& io_;
    MotionSettings motion_;
    bool started_ = false;
};

class vProcess : public vManager {
  public:
    using vManager::vManager;
};

} // namespace station
