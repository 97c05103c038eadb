// TMainForm1: the station's operator window.  It owns the station object
// (device, parameter set, commands) for as long as the station is open and
// shows it: camera view with overlays, value panels, lists, menus, buttons.
#pragma once

#include "contracts/library_loader.h"
#include "station/panel_texts.h"
#include "station/station_object.h"
#include "ui/camera_view.h"
#include "ui/host_link.h"
#include "ui/kit/file_dialog.h"
#include "ui/kit/form.h"
#include "ui/kit/menu.h"
#include "ui/main_form_controls.h"
#include "ui/parameter_dialogs.h"
#include "win32/adapters.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace station {

class TMainForm1 : public kit::Form, public StationObserver {
  public:
    // Window construction; the device does not start here.
    TMainForm1(OutsideLibraries& libs, HostLink& host);
    ~TMainForm1() override;

    // First start (shown false, from vardelOpen) or a show of the window
    // (shown true).  Returns the open status: 0, or -1 when the device did
    // not start.
    int32_t StartupSequence(bool shown);
    // Runs at most once per window.
    void ShutdownSequence();

    // Sent by the host's show (wParam 1 modal, 0 modeless): the window is
    // shown on its own thread.  A modal show disables the thread's other
    // windows until the window is hidden again; the caller waits for that.
    static constexpr UINT kShowRequest = WM_APP + 1;

    // The command dispatcher, by menu item.
    void Dispatch(const kit::MenuBar::Item& item);
    void Dispatch(int tag);

    Station& station() { return *station_; }
    ParameterSet& params() { return station_->params(); }
    vProcess& device() { return station_->device(); }
    kit::MenuBar& menu() { return menu_; }
    // OpenDialog1, SaveDialog1, OpenDialog2 or SaveDialog2.
    const kit::FileDialog& FileDialogNamed(std::string_view name) const;
    CameraView& camera() { return *camera_; }

    // A text of the language library in the current language, copied.
    std::string Text(const char* section, const char* key) const;

    // The right panel's command buttons: the host is told the move distance,
    // then the command runs (not booked) under the hourglass cursor.
    void rightISetup1Click();
    void rightISetup2Click();
    void rightCSetup1Click();
    void rightCSetup2Click();
    void BaseLine1Click();
    void PageBig1Click();   // the list page
    void PageSmall1Click(); // the button page
    // The parameter button: the dialog its tag chooses (0 ring position,
    // 1 calibration, 2 inspection parameters).
    void rightParaSetup1Click();
    // The ring-position panel: the ring-position dialog.
    void ShowDClick();
    // The statistics panel's reset, after the operator's Yes.
    void sReset1Click();

    // Called by the capture library after every frame (any thread).
    void OnGrabFinished(uint8_t* image);
    // View refresh: the current picture painted again.
    void PaintBox2Paint();
    unsigned framesPainted() const { return frames_.load(); }

    // What the station shows (any thread, never waits for this one).
    void MeasuredLine(double x1, double y1, double x2, double y2) override;
    void MeasuredPicture(const uint8_t* picture) override { camera_->Paint(picture, params()); }
    void ViewChanged() override { PaintBox2Paint(); }
    void Statistics(int32_t okCount, int32_t ngCount) override;
    void OkRow(std::vector<std::string> texts) override;
    void NgRow(std::vector<std::string> texts) override;

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnMenuCommand(WORD id) override;

  private:
    // What the station hands to the window from other threads, applied on
    // the window's thread in the order it came.
    struct WindowUpdate {
        enum class Kind { Statistics, OkRow, NgRow, ClearLists } kind;
        int32_t okCount = 0, ngCount = 0;
        std::vector<std::string> row;
    };
    void Queue(WindowUpdate update);
    void ApplyQueuedUpdates();

    void BuildComponents();
    void ShowOnWindowThread(bool modal);
    void EnableOtherWindows();
    // Runs step under the station lock (waiting with messages answered).
    void UnderLock(const std::function<void()>& step);
    void Login(const std::string& caption);
    void RightButtonCommand(int32_t button, double moveMm, HostCommand command);

    // Start-up steps, in their order.
    void LoadBackgroundBitmap();
    int32_t InitDevice();
    void AcquisitionStartup();
    void LoadCaptions();
    void RefreshTitle();
    void RefreshRingPanel();
    void SwitchLanguage(const std::string& title);
    void ShowAbout(const std::string& caption);
    void OpenWithShell(const std::string& file);
    void OpenParameterDialog(int which);
    // The four file commands; a cancelled dialog changes nothing.
    void LoadMaterial();
    void SaveMaterialAs();
    void LoadImageFile();
    void SaveImageFile();
    void ViewGeometry();
    void Arrange(bool shown);
    void ApplyRights();
    void OpenEdgeGauge();
    void RunInitGrab();
    void AcquisitionShutdown();

    void ToggleBar(const char* item, kit::Control& bar, uint32_t flag);
    void PaintBackground(HDC dc, const RECT& area);
    void ShowStatistics(int32_t okCount, int32_t ngCount);
    void InsertListRow(bool ng, const std::vector<std::string>& row);

    // Close request: closing only hides the window.
    void FormClose();
    // Every 30 ms: the value panels from the last values.
    void Timer1Timer();

    OutsideLibraries& libs_;
    HostLink& host_;
    GrabcardCapture capture_;
    PinbusIo io_;
    ImagingLibrary imaging_;
    VirtualPages pages_;
    DiskFiles files_;
    MessageBoxes prompts_;
    ShellOpener shell_;
    SystemCodePage codePage_;
    GaugeLibrary gauge_;
    SystemClock clock_;
    std::unique_ptr<MainControls> ui_; // bound right after the form is built
    std::unique_ptr<Station> station_;
    kit::MenuBar menu_;
    std::vector<kit::FileDialog> fileDialogs_;
    std::unique_ptr<CameraView> camera_;
    StatusLabels statusLabels_;
    PanelTexts panels_;

    kit::Bitmap background_;
    kit::Bitmap icon_;
    kit::Icon windowIcon_;
    bool started_ = false; // background taken up; cleared by the shut-down
    bool acquisitionStarted_ = false;
    int32_t viewWidth_ = 640;
    int32_t viewHeight_ = 480;
    int32_t openStatus_ = 0;
    std::vector<HWND> disabledByModal_; // the thread's windows a modal show disabled
    std::atomic<unsigned> frames_{0};
    std::mutex updatesLock_; // held only to move updates in or out
    std::deque<WindowUpdate> updates_;
    bool updatesPosted_ = false;
};

// Published at window construction for the grab-finished function.
TMainForm1* PublishedWindow();

} // namespace station
