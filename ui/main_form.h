// TMainForm1: the station's operator window and the owner of the station's
// device and parameter set for as long as the station is open.
#pragma once

#include "contracts/adapters.h"
#include "contracts/library_loader.h"
#include "imaging/acquisition.h"
#include "imaging/v_process.h"
#include "params/parameter_files.h"
#include "params/parameter_set.h"
#include "params/paths.h"
#include "station/booking.h"
#include "station/commands.h"
#include "station/host_command.h"
#include "station/panel_texts.h"
#include "ui/kit/window.h"

#include <atomic>
#include <memory>
#include <string>

namespace station {

class TKeyboard2Char;

class TMainForm1 : public kit::Window, public StationView {
  public:
    // Window construction; the device is not started here.
    explicit TMainForm1(OutsideLibraries& libs);
    ~TMainForm1() override;

    // First start (shown false, from vardelOpen) or a show of the window
    // (shown true).  Returns the open status: 0, or -1 when the device did
    // not start.
    int32_t StartupSequence(bool shown);
    // Runs at most once per window.
    void ShutdownSequence();

    // Shows the window on its own thread; modal returns when it is closed.
    void ShowFromHost(bool modal);

    // Station operations of the command dispatcher, by menu tag.
    void Dispatch(int tag);

    ParameterSet& params() { return *params_; }
    ParameterFiles& parameterFiles() { return *parameterFiles_; }
    GrabSwitch& grabSwitch() { return grabSwitch_; }
    vProcess& device() { return *device_; }
    const StationPaths& paths() const { return paths_; }
    int32_t imageWidth() const { return imageWidth_; }
    int32_t imageHeight() const { return imageHeight_; }

    // A text of the language library in the current language, copied.
    std::string Text(const char* section, const char* key) const;

    // One command (measurement and judgement); host commands are booked.
    int32_t RunCommand(HostCommand command, bool book);
    int32_t RunBaseLine();

    // The right panel's command buttons: the host is told the move distance,
    // then the command runs (not booked) under the hourglass cursor.
    void rightISetup1Click();
    void rightISetup2Click();
    void rightCSetup1Click();
    void rightCSetup2Click();
    void BaseLine1Click();

    // The window as the station's rules see it.
    uint8_t* GrabAndGetImage() override { return station::GrabAndGetImage(*device_, grabSwitch_); }
    void DrawMeasuredLine(double x1, double y1, double x2, double y2) override;
    void RefreshView() override { PaintBox2Paint(); }
    void RefreshStatistics() override;
    void InsertOkRow(const std::vector<std::string>& texts) override;
    void InsertNgRow(const std::vector<std::string>& texts) override;
    const ResultList& okList() const { return okList_; }
    const ResultList& ngList() const { return ngList_; }
    const PanelTexts& panels() const { return panels_; }

    // Called by the capture library after every frame (any thread).
    void OnFrame(uint8_t* image);
    // The view painting of a picture; PaintBox2Paint paints the current one.
    void PaintView(uint8_t* image);
    void PaintBox2Paint();
    unsigned framesPainted() const { return frames_.load(); }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void ShowOnWindowThread(bool modal);
    // The five commands over this window's station.
    Commands StationCommands();
    void CreateRightButtons();
    void RightButtonCommand(int32_t button, double moveMm, HostCommand command);
    void OnCommand(WORD id, WORD code);
    void RunModalLoop();

    // Start-up steps, in their order.
    void LoadBackgroundBitmap();
    int32_t InitDevice();
    void AcquisitionStartup();
    void LoadCaptions();
    void RefreshTitle();
    void ViewGeometry();
    void Arrange(bool shown);
    void ApplyRights();
    void OpenEdgeGauge();
    void RunInitGrab();
    // Shut-down steps.
    void AcquisitionShutdown();

    // Close request: closing only hides the window.
    void FormClose();
    // Every 30 ms: the value panels from the last values.
    void Timer1Timer();

    OutsideLibraries& libs_;
    GrabcardCapture capture_;
    PinbusIo io_;
    ImagingLibrary imaging_;
    VirtualPages pages_;
    DiskFiles files_;
    MessageBoxes prompts_;
    SystemCodePage codePage_;
    std::unique_ptr<vProcess> device_;
    StationPaths paths_;
    std::unique_ptr<ParameterSet> params_;
    std::unique_ptr<ParameterFiles> parameterFiles_;
    GrabSwitch grabSwitch_;
    GaugeLibrary gauge_;
    SystemClock clock_;
    ResultList okList_, ngList_;
    StatusLabels statusLabels_;
    PanelTexts panels_;

    HBITMAP background_ = nullptr;
    bool started_ = false; // background taken up; cleared by the shut-down
    bool acquisitionStarted_ = false;
    HBITMAP offscreen_ = nullptr;
    uint8_t* imageMemory_ = nullptr;

    int32_t imageWidth_ = 640;
    int32_t imageHeight_ = 480;
    int32_t viewWidth_ = 640;
    int32_t viewHeight_ = 480;
    int32_t openStatus_ = 0;
    HWND rightButtons_[5] = {}; // rightISetup1, 2, rightCSetup1, 2, BaseLine1
    bool modal_ = false;
    std::atomic<unsigned> frames_{0};
};

// Published at window construction for the grab-finished function.
TMainForm1* PublishedWindow();

} // namespace station
