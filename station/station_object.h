// The station object: the device, the parameter set and its files, the five
// commands with their booking, and the result lists, for as long as the
// station is open.  The window owns it and observes it; host commands reach
// it directly.  No Windows here: the world comes in through the ports.
#pragma once

#include "imaging/acquisition.h"
#include "imaging/v_process.h"
#include "params/parameter_files.h"
#include "params/parameter_set.h"
#include "params/paths.h"
#include "station/booking.h"
#include "station/commands.h"
#include "station/host_command.h"
#include "station/ports.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace station {

// What the station runs on.
struct StationPorts {
    CapturePort& capture;
    IoPort& io;
    ImagingPort& imaging;
    PageMemory& pages;
    FileStore& files;
    PromptsPort& prompts;
    const CodePagePort& codePage;
    EdgeGaugePort& gauge;
    ClockPort& clock;
};

// The window as the station sees it.  Every call may come from the host's
// thread while it holds the station lock, and from the capture library's
// thread; none may wait for the window's thread.  Rows and counts arrive in
// the order they were booked.
class StationObserver {
  public:
    virtual ~StationObserver() = default;
    virtual void MeasuredLine(double x1, double y1, double x2, double y2) = 0;
    // The picture a measurement measured, valid during the call.
    virtual void MeasuredPicture(const uint8_t* picture) { (void)picture; }
    // The current picture is to be painted again.
    virtual void ViewChanged() = 0;
    virtual void Statistics(int32_t okCount, int32_t ngCount) = 0;
    virtual void OkRow(std::vector<std::string> texts) = 0;
    virtual void NgRow(std::vector<std::string> texts) = 0;
};

class Station final : public PictureSource, public StationView {
  public:
    // The device is built, then the parameter set (defaults from seed, then
    // Kest.cfg in workingDirectory).  The device does not start here.
    Station(const StationPorts& ports, const std::string& workingDirectory, unsigned seed);
    // Kest.cfg is written, then the parameter set and the device go.
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // The window that shows the station, or null.
    void Observe(StationObserver* observer) { observer_ = observer; }

    // Device start with the settings: the image size is 640 x 480 until the
    // camera reports its own.  Non-zero when the device cannot start.
    int32_t StartDevice(SettingsLookup& settings);

    // One command: measurement and judgement; host commands are booked.
    int32_t Run(HostCommand command, bool book);
    int32_t RunBaseLine();

    ParameterSet& params() { return *params_; }
    ParameterFiles& parameterFiles() { return *parameterFiles_; }
    vProcess& device() { return *device_; }
    GrabSwitch& grabSwitch() { return grabSwitch_; }
    const StationPaths& paths() const { return paths_; }
    int32_t imageWidth() const { return imageWidth_; }
    int32_t imageHeight() const { return imageHeight_; }
    const ResultList& okList() const { return okList_; }
    const ResultList& ngList() const { return ngList_; }
    // Statistics kind 0 and both lists emptied (the window's reset).
    void ResetStatistics();

    // The measurement's picture.
    uint8_t* GrabAndGetImage() override { return station::GrabAndGetImage(*device_, grabSwitch_); }

  private:
    // The rules' view of the window, handed on to the observer.
    void DrawMeasuredLine(double x1, double y1, double x2, double y2) override;
    void ShowMeasuredPicture(const uint8_t* picture) override;
    void RefreshView() override;
    void RefreshStatistics() override;
    void InsertOkRow(const std::vector<std::string>& texts) override;
    void InsertNgRow(const std::vector<std::string>& texts) override;

    Commands StationCommands();

    StationPorts ports_;
    std::unique_ptr<vProcess> device_;
    StationPaths paths_;
    std::unique_ptr<ParameterSet> params_;
    std::unique_ptr<ParameterFiles> parameterFiles_;
    GrabSwitch grabSwitch_;
    ResultList okList_, ngList_;
    StationObserver* observer_ = nullptr;
    int32_t imageWidth_ = 640;
    int32_t imageHeight_ = 480;
};

} // namespace station
