#include "ui/main_form.h"

#include "params/keypad_char.h"
#include "station/commands.h"
#include "station/rounding.h"
#include "station/station.h"

#include <cstdlib>
#include <vector>

namespace station {
namespace {

constexpr UINT kShowRequest = WM_APP + 1; // wParam: 1 modal, 0 modeless
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Ms = 30;

std::atomic<TMainForm1*> gWindow{nullptr};

// The right panel's command buttons: name, control identifier, form
// position, caption key in the section "RightBar", click handler.
struct RightButton {
    const char* name;
    WORD id;
    int x, y;
    const char* captionKey;
    void (TMainForm1::*click)();
};
constexpr int kRightButtonWidth = 137, kRightButtonHeight = 40;
constexpr RightButton kRightButtons[5] = {
    {"rightISetup1", 1101, 5, 195, "InspectionA", &TMainForm1::rightISetup1Click},
    {"rightISetup2", 1102, 5, 239, "InspectionB", &TMainForm1::rightISetup2Click},
    {"rightCSetup1", 1103, 5, 282, "CalibrationM", &TMainForm1::rightCSetup1Click},
    {"rightCSetup2", 1104, 5, 326, "CalibrationN", &TMainForm1::rightCSetup2Click},
    {"BaseLine1", 1105, 149, 319, "BaseLine", &TMainForm1::BaseLine1Click},
};
constexpr uint32_t kRightsCalibrate = 0x100; // bit 8: inspect and calibrate by hand

void __stdcall GrabFinishedFunction(int32_t, uint8_t* image) {
    if (TMainForm1* w = gWindow.load())
        w->OnFrame(image);
}

BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (IsWindowVisible(h) && IsWindowEnabled(h))
        list->push_back(h);
    return TRUE;
}

std::string CurrentDirectory() {
    char dir[kPathMaxChars + 1] = {};
    const DWORD n = GetCurrentDirectoryA(sizeof dir, dir);
    // A directory that does not fit the station's 100-byte buffers is kept
    // empty-handed: every path built from it is refused.
    if (n == 0 || n > kPathMaxChars)
        return std::string(kPathMaxChars + 1, '?');
    return dir;
}

} // namespace

TMainForm1* PublishedWindow() {
    return gWindow.load();
}

TMainForm1::TMainForm1(OutsideLibraries& libs)
    : libs_(libs), capture_(libs.grabcard, &GrabFinishedFunction), io_(libs.pinbus),
      imaging_(libs.imaging), gauge_(libs.edgeGauge) {
    // 1. The form itself, with no owner.
    Style s{"TMainForm1"};
    s.style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
    s.x = 276;
    s.y = 73;
    s.width = 938;
    s.height = 646;
    Create(s);
    CreateRightButtons();
    SetTimer(hwnd(), kTimer1, kTimer1Ms, nullptr);
    // 2. The vision device; it starts later.
    device_ = std::make_unique<vProcess>(DevicePorts{capture_, io_, imaging_, pages_});
    // 3. The parameter set: defaults, then Kest.cfg.
    CreateDirectoryA("C:\\Debug", nullptr);
    paths_ = StationPaths(CurrentDirectory());
    params_ = std::make_unique<ParameterSet>();
    params_->SetDefaults(std::rand());
    parameterFiles_ =
        std::make_unique<ParameterFiles>(*params_, paths_, files_, prompts_, codePage_);
    parameterFiles_->LoadParameterFile();
    // 5. The screen keyboard, once per process.
    if (!ScreenKeyboard())
        ScreenKeyboard() = new TKeyboard2Char(hwnd());
    // 6. No maximise button; no move or close in the system menu.
    if (HMENU sys = GetSystemMenu(hwnd(), FALSE)) {
        DeleteMenu(sys, SC_CLOSE, MF_BYCOMMAND);
        DeleteMenu(sys, SC_MOVE, MF_BYCOMMAND);
    }
    // 8. The language library.
    libs_.language.Init();
    // 9. Publish.
    PublishParameters(params_.get());
    gWindow = this;
}

TMainForm1::~TMainForm1() {
    KillTimer(hwnd(), kTimer1);
    // The record first, then the device, then the form.
    gWindow = nullptr;
    parameterFiles_->SaveParameterFile();
    PublishParameters(nullptr);
    parameterFiles_.reset();
    params_.reset();
    device_.reset();
    Destroy();
}

std::string TMainForm1::Text(const char* section, const char* key) const {
    const char* t = libs_.language.Get(params_->op.LanguageIndex, section, key);
    return t ? std::string(t) : std::string();
}

int32_t TMainForm1::StartupSequence(bool shown) {
    LoadBackgroundBitmap();
    if (!shown && InitDevice() != 0) {
        openStatus_ = -1;
        FormClose();
        return openStatus_;
    }
    AcquisitionStartup();
    LoadCaptions();
    ViewGeometry();
    Arrange(shown);
    ApplyRights();
    RefreshView();
    if (!shown)
        OpenEdgeGauge();
    RunInitGrab();
    return openStatus_;
}

void TMainForm1::LoadBackgroundBitmap() {
    if (started_)
        return;
    started_ = true;
    if (auto path = paths_.Join("vBK2.bmp"))
        background_ = static_cast<HBITMAP>(
            LoadImageA(nullptr, path->c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

int32_t TMainForm1::InitDevice() {
    imageWidth_ = 640;
    imageHeight_ = 480;
    ProfileSettings settings(paths_.SettingsFilePath().value_or(std::string()));
    return device_->Init(settings, imageWidth_, imageHeight_);
}

void TMainForm1::AcquisitionStartup() {
    if (acquisitionStarted_)
        return;
    acquisitionStarted_ = true;
    imageMemory_ = device_->GetImageAddr(false);
    device_->RegisterGrabFinished();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = imageWidth_;
    bi.bmiHeader.biHeight = -imageHeight_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    offscreen_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
}

void TMainForm1::AcquisitionShutdown() {
    if (offscreen_) {
        DeleteObject(offscreen_);
        offscreen_ = nullptr;
    }
}

void TMainForm1::LoadCaptions() {
    RefreshTitle();
    // The labels of the value panels, kept for the 30 ms refresh.
    static const char* const kLabels[7][2] = {{"RightBar", "Offset"},
                                              {"RightBar", "DrillDiameter"},
                                              {"RightBar", "DrillLength"},
                                              {"RightBar", "Resolution"},
                                              {"RightBar", "CMD"},
                                              {"RightBar", "RetCode"},
                                              {"Calibration2Dialog", "IdlRingPosition2"}};
    for (std::size_t i = 0; i < statusLabels_.size(); ++i)
        statusLabels_[i] = Text(kLabels[i][0], kLabels[i][1]);
    for (std::size_t i = 0; i < std::size(kRightButtons); ++i)
        SetWindowTextA(rightButtons_[i], Text("RightBar", kRightButtons[i].captionKey).c_str());
}

void TMainForm1::Timer1Timer() {
    panels_ = FormatPanels(statusLabels_, TheLastValues(), TheCommandTexts(), params_->station);
}

void TMainForm1::RefreshTitle() {
    const std::string title =
        Text("Main", "SystemName") + " - " + std::string(params_->station.MaterialName.data());
    SetWindowTextA(hwnd(), title.c_str());
}

void TMainForm1::ViewGeometry() {
    viewWidth_ = 640;
    viewHeight_ = imageHeight_ < 480 ? imageHeight_ : 480;
    if (imageHeight_ > 500) {
        viewHeight_ = 480;
        const double zx = 640.0 / imageWidth_;
        const double zy = 480.0 / imageHeight_;
        device_->zoom = zx < zy ? zx : zy;
    }
}

// The window's components and their arrangement come with the window layout.
void TMainForm1::Arrange(bool) {}
// Operator rights: the command buttons are the calibrating operator's; the
// baseline button is never left visible.  The menus follow with the window
// layout.
void TMainForm1::ApplyRights() {
    const bool calibrates = (params_->op.OperatorRights & kRightsCalibrate) != 0;
    for (int i = 0; i < 4; ++i)
        ShowWindow(rightButtons_[i], calibrates ? SW_SHOW : SW_HIDE);
    ShowWindow(rightButtons_[4], SW_HIDE);
}

void TMainForm1::CreateRightButtons() {
    for (std::size_t i = 0; i < std::size(kRightButtons); ++i) {
        const RightButton& b = kRightButtons[i];
        rightButtons_[i] = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_PUSHBUTTON, b.x, b.y,
                                           kRightButtonWidth, kRightButtonHeight, hwnd(),
                                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(b.id)),
                                           kit::ThisModule(), nullptr);
    }
}

void TMainForm1::RightButtonCommand(int32_t button, double moveMm, HostCommand command) {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int32_t pulses = RoundHalfAway(moveMm * device_->pulsePerMm);
    if (VardelNotify notify = HostNotification())
        notify(button, pulses);
    RunUnderStationLock([&] { return RunCommand(command, false); });
    SetCursor(previous);
}

void TMainForm1::rightISetup1Click() {
    RightButtonCommand(0, params_->station.InitMoveX, HostCommand::InspectionA);
}
void TMainForm1::rightISetup2Click() {
    RightButtonCommand(1, TheLastValues().offset, HostCommand::InspectionB);
}
void TMainForm1::rightCSetup1Click() {
    RightButtonCommand(2, params_->station.InitMoveX, HostCommand::CalibrationM);
}
void TMainForm1::rightCSetup2Click() {
    RightButtonCommand(3, params_->station.MoveX, HostCommand::CalibrationN);
}
void TMainForm1::BaseLine1Click() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    RunUnderStationLock([this] { return RunBaseLine(); });
    SetCursor(previous);
}

void TMainForm1::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED)
        return;
    for (const RightButton& b : kRightButtons)
        if (b.id == id)
            (this->*b.click)();
}

void TMainForm1::OpenEdgeGauge() {
    libs_.edgeGauge.Open(device_->application);
}

void TMainForm1::RunInitGrab() {
    switch (CurrentSettings().InitGrab) {
    case 1:
        Dispatch(200);
        break;
    case 2:
        Dispatch(201);
        break;
    default:
        break;
    }
}

void TMainForm1::Dispatch(int tag) {
    switch (tag) {
    case 103: // Exit: closing only hides the window
        FormClose();
        break;
    case 200:
        device_->GrabFrame();
        break;
    case 201:
        device_->StartLive();
        break;
    case 202:
        device_->StopLive();
        break;
    case 304:
        grabSwitch_.set(!grabSwitch_.on());
        break;
    default:
        break;
    }
}

Commands TMainForm1::StationCommands() {
    const CommandSetup setup{*params_,    *parameterFiles_, *this,
                             gauge_,      clock_,           device_->pulsePerMm,
                             imageWidth_, imageHeight_,     CurrentSettings().GrabNumber};
    return Commands(setup, TheLastValues(), TheCommandTexts());
}

int32_t TMainForm1::RunCommand(HostCommand command, bool book) {
    Commands commands = StationCommands();
    int32_t r = 0;
    switch (command) {
    case HostCommand::InspectionA:
        r = commands.InspectA();
        break;
    case HostCommand::InspectionB:
        r = commands.InspectB();
        break;
    case HostCommand::CalibrationM:
        return commands.CalibrateM();
    case HostCommand::CalibrationN:
        return commands.CalibrateN();
    }
    if (book) {
        const BookingSetup booking{params_->material, *this,  files_, prompts_, clock_,
                                   okList_,           ngList_};
        BookResult(booking, TheLastValues(), r, BookingMode(command));
    }
    return r;
}

int32_t TMainForm1::RunBaseLine() {
    return StationCommands().SetBaseLine();
}

// The overlay draws the line once the view exists.
void TMainForm1::DrawMeasuredLine(double, double, double, double) {}
// The statistics panel and the lists come with the window layout; the core
// keeps the counters and the rows.
void TMainForm1::RefreshStatistics() {}
void TMainForm1::InsertOkRow(const std::vector<std::string>&) {}
void TMainForm1::InsertNgRow(const std::vector<std::string>&) {}

void TMainForm1::OnFrame(uint8_t* image) {
    PaintView(image);
}

// The picture reaches the view with the display step; until then a frame
// only counts.
void TMainForm1::PaintView(uint8_t*) {
    frames_.fetch_add(1);
}

void TMainForm1::PaintBox2Paint() {
    PaintView(device_->GetImageAddr(false));
}

void TMainForm1::ShutdownSequence() {
    if (!started_)
        return;
    started_ = false;
    if (background_) {
        DeleteObject(background_);
        background_ = nullptr;
    }
    if (TKeyboard2Char*& kb = ScreenKeyboard()) {
        delete kb;
        kb = nullptr;
    }
    Dispatch(202);
    libs_.edgeGauge.Close();
    // The capture library may still be inside a grab-finished call.
    Sleep(200);
    AcquisitionShutdown();
}

void TMainForm1::FormClose() {
    ShowWindow(hwnd(), SW_HIDE);
}

void TMainForm1::ShowFromHost(bool modal) {
    // The window lives on the thread that opened the station.
    SendMessageA(hwnd(), kShowRequest, modal ? 1 : 0, 0);
}

void TMainForm1::ShowOnWindowThread(bool modal) {
    if (!IsWindowVisible(hwnd())) {
        StartupSequence(true);
        ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
    }
    SetForegroundWindow(hwnd());
    if (modal && !modal_)
        RunModalLoop();
}

void TMainForm1::RunModalLoop() {
    // The thread's other windows wait while the station's window is modal.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabled));
    std::erase(disabled, hwnd());
    for (HWND h : disabled)
        EnableWindow(h, FALSE);

    modal_ = true;
    kit::RunModalLoop([this] { return !IsWindowVisible(hwnd()); });
    modal_ = false;
    for (HWND h : disabled)
        if (IsWindow(h))
            EnableWindow(h, TRUE);
}

LRESULT TMainForm1::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kShowRequest:
        ShowOnWindowThread(wp != 0);
        return 0;
    case WM_CLOSE:
        FormClose();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_TIMER:
        if (wp == kTimer1) {
            Timer1Timer();
            return 0;
        }
        break;
    default:
        break;
    }
    return Window::OnMessage(msg, wp, lp);
}

} // namespace station
