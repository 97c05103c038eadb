#include "ui/main_form.h"

#include "common/guarded_entry.h"
#include "imaging/settings.h"
#include "station/last_values.h"
#include "station/rounding.h"
#include "ui/image_file_read.h"
#include "ui/keypad_char.h"
#include "ui/kit/common_controls.h"
#include "ui/main_form_captions.h"
#include "ui/main_form_layout.h"
#include "ui/res/glyphs.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace station {
namespace {

constexpr UINT kUpdatesMessage = WM_APP + 2; // queued window updates to apply
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Ms = 30;

constexpr uint32_t kRightsCalibrate = 0x100; // bit 8: inspect and calibrate by hand
constexpr uint32_t kRightsEngineer = 0x80;   // bit 7
constexpr uint32_t kToolBarHidden = 1;       // WindowFlags bit 0
constexpr uint32_t kStatusBarHidden = 2;     // WindowFlags bit 1

std::atomic<TMainForm1*> gWindow{nullptr};

// A test seam: VARDEL_TEST_FAULT=timer makes the next value-panel refresh
// fail, =grab the next grab-finished call, each once, so that tests see a
// failure inside a handler stay inside the station.
std::atomic<int> gFaultTimer{0}, gFaultGrab{0};
void ReadTestFaults() {
    char what[16] = {};
    GetEnvironmentVariableA("VARDEL_TEST_FAULT", what, sizeof what);
    gFaultTimer = std::string(what) == "timer";
    gFaultGrab = std::string(what) == "grab";
}
void FailOnce(std::atomic<int>& fault, const char* where) {
    if (fault.exchange(0))
        throw std::runtime_error(where);
}

void __stdcall GrabFinishedFunction(int32_t, uint8_t* image) {
    // Called from the capture library's thread: nothing may unwind into it.
    try {
        if (TMainForm1* w = gWindow.load())
            w->OnGrabFinished(image);
    } catch (...) {
        kit::ReportHandlerFailure(0, "grab-finished function");
    }
}

BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM lp) {
    return common::Guarded("window enumeration", FALSE, [&] {
        auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
        if (IsWindowVisible(h) && IsWindowEnabled(h))
            list->push_back(h);
        return TRUE;
    });
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

// The about box's fixed texts.
constexpr const char* kAboutVersion = "2.03_";
constexpr const char* kAboutAuthor = "Drill ring inspection station engineering";
constexpr const char* kAboutDate = "2012-03-19";

std::string FieldTextOf(const Text100& field) {
    std::size_t n = 0;
    while (n < field.size() && field[n] != '\0')
        ++n;
    return std::string(field.data(), n);
}

// A dialog's start folder; a folder that does not fit the station's paths
// leaves the dialog where it is.
std::string FolderOrNone(const std::optional<std::string>& folder) {
    return folder.value_or(std::string());
}

// While a save dialog is open, the screen keyboard stands at the bottom-left
// corner of the main window, without taking the focus.
UINT_PTR CALLBACK SaveDialogHook(HWND, UINT msg, WPARAM, LPARAM) {
    // Called by the dialog: 0 leaves every message to the dialog itself.
    common::GuardedVoid("save dialog hook", [&] {
        TKeyboard2Char* keyboard = ScreenKeyboard().get();
        TMainForm1* window = PublishedWindow();
        if (!keyboard || !window)
            return;
        if (msg == WM_INITDIALOG) {
            RECT main{}, keys{};
            GetWindowRect(window->hwnd(), &main);
            GetWindowRect(keyboard->hwnd(), &keys);
            const int height = keys.bottom - keys.top;
            SetWindowPos(keyboard->hwnd(), HWND_TOPMOST, main.left + 4,
                         main.top + (main.bottom - main.top) - height - 5, 0, 0,
                         SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else if (msg == WM_DESTROY) {
            ShowWindow(keyboard->hwnd(), SW_HIDE);
        }
    });
    return 0;
}

// The tool buttons that stand for a menu item.
bool ToolTagHasItem(int tag) {
    switch (tag) {
    case 103:
    case 200:
    case 201:
    case 202:
    case 203:
    case 204:
    case 402:
        return true;
    default:
        return false;
    }
}

} // namespace

TMainForm1* PublishedWindow() {
    return gWindow.load();
}

TMainForm1::TMainForm1(OutsideLibraries& libs, HostLink& host)
    : libs_(libs), host_(host), capture_(libs.grabcard, &GrabFinishedFunction), io_(libs.pinbus),
      imaging_(libs.imaging), gauge_(libs.edgeGauge) {
    // 1. The form itself, with no owner, centred on the screen.
    {
        kit::CommonControlsScope commonControls;
        Style s{"TMainForm1"};
        s.style = (WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX) | WS_CLIPCHILDREN;
        s.width = layout::kWidth;
        s.height = layout::kHeight;
        s.x = (GetSystemMetrics(SM_CXSCREEN) - s.width) / 2;
        s.y = (GetSystemMetrics(SM_CYSCREEN) - s.height) / 2;
        Create(s);
        BuildComponents();
    }
    // 2. and 3. The station: the device, then the parameter set (defaults,
    // then Kest.cfg).
    CreateDirectoryA("C:\\Debug", nullptr);
    const StationPorts ports{capture_, io_,       imaging_, pages_, files_,
                             prompts_, codePage_, gauge_,   clock_};
    station_ =
        std::make_unique<Station>(ports, CurrentDirectory(), static_cast<unsigned>(std::rand()));
    camera_ = std::make_unique<CameraView>(station_->device(), libs_.login, ui_->Image2, ui_->ShowD,
                                           host_.StationLock());
    station_->Observe(this);
    // The value panels' refresh starts once there is a station to show (a
    // message box about Kest.cfg above runs the thread's messages).
    SetTimer(hwnd(), kTimer1, kTimer1Ms, nullptr);
    // 5. The screen keyboard, once per process.
    if (!ScreenKeyboard())
        ScreenKeyboard() = std::make_unique<TKeyboard2Char>(hwnd());
    // 6. No maximise button; no move or close in the system menu.
    if (HMENU sys = GetSystemMenu(hwnd(), FALSE)) {
        DeleteMenu(sys, SC_CLOSE, MF_BYCOMMAND);
        DeleteMenu(sys, SC_MOVE, MF_BYCOMMAND);
    }
    // 8. The language library.
    libs_.language.Init();
    // 9. Publish.
    ReadTestFaults();
    gWindow = this;
}

TMainForm1::~TMainForm1() {
    KillTimer(hwnd(), kTimer1);
    gWindow = nullptr;
    // The record first (saved by the station), then the device, then the
    // form.
    station_->Observe(nullptr);
    station_.reset();
    camera_.reset();
}

void TMainForm1::BuildComponents() {
    const auto components = layout::MainComponents();
    Build(components.data(), components.size());
    ui_ = std::make_unique<MainControls>(*this);
    const auto entries = layout::MainMenu();
    menu_.Build(hwnd(), entries.data(), entries.size());
    menu_.onClick = [this](kit::MenuBar::Item& item) { Dispatch(item); };

    auto& tools = ui_->ToolBar1;
    const auto buttons = layout::ToolButtons();
    tools.AddButtons(buttons.data(), buttons.size());
    tools.onButton = [this](const kit::ToolButtonRow& b) {
        if (!ToolTagHasItem(b.tag))
            return;
        if (const kit::MenuBar::Item* item = menu_.ByTag(b.tag))
            Dispatch(*item);
    };
    ui_->StatusBar1.SetPanels({50, 50});
    for (const kit::FileDialogRow& d : layout::FileDialogs())
        fileDialogs_.emplace_back(d);

    auto& ok = ui_->OkListView1;
    for (const layout::Column& c : layout::OkColumns())
        ok.AddColumn(c.caption, c.width);
    ok.SetTextColour(GetSysColor(COLOR_WINDOWTEXT));
    auto& ng = ui_->NgListView1;
    for (const layout::Column& c : layout::NgColumns())
        ng.AddColumn(c.caption, c.width);
    ng.SetTextColour(RGB(255, 0, 0));

    const auto byItem = [this](const char* item) {
        return [this, item](kit::Control&) {
            if (const kit::MenuBar::Item* it = menu_.Find(item))
                Dispatch(*it);
        };
    };
    ui_->newAbout1.onClick = byItem("About2");
    ui_->newLogin1.onClick = byItem("Login2");
    ui_->newLanguage1.onClick = byItem("English2");
    ui_->newKeyboard1.onClick = [this](kit::Control&) {
        if (libs_.login.ScreenKeyboard)
            libs_.login.ScreenKeyboard(0);
    };
    ui_->newGrab1.onClick = byItem("Grab2");
    ui_->newLive1.onClick = byItem("Live2");
    ui_->newCrossLine1.onClick = [this](kit::Control&) {
        if (libs_.login.DrawMarkSwitch)
            libs_.login.DrawMarkSwitch();
        PaintBox2Paint();
    };
    ui_->newClose1.onClick = byItem("Exit2");
    ui_->rightLoad1.onClick = byItem("Load2");
    ui_->ShowBoardName1.onClick = byItem("Load2");
    ui_->ShowC1.onClick = [](kit::Control& c) { c.SetHint(c.Caption()); };
    ui_->ShowD.onClick = [this](kit::Control&) { ShowDClick(); };
    ui_->rightParaSetup1.onClick = [this](kit::Control&) { rightParaSetup1Click(); };
    ui_->sReset1.onClick = [this](kit::Control&) { sReset1Click(); };
    ui_->SaveMaterial.onClick = [this](kit::Control&) {
        UnderLock([this] { station_->parameterFiles().SaveMaterial(); });
    };
    ui_->rightISetup1.onClick = [this](kit::Control&) { rightISetup1Click(); };
    ui_->rightISetup2.onClick = [this](kit::Control&) { rightISetup2Click(); };
    ui_->rightCSetup1.onClick = [this](kit::Control&) { rightCSetup1Click(); };
    ui_->rightCSetup2.onClick = [this](kit::Control&) { rightCSetup2Click(); };
    ui_->BaseLine1.onClick = [this](kit::Control&) { BaseLine1Click(); };
    ui_->PageBig1.onClick = [this](kit::Control&) { PageBig1Click(); };
    ui_->PageSmall1.onClick = [this](kit::Control&) { PageSmall1Click(); };
    const auto background = [this](kit::Control&, HDC dc, const RECT& r) {
        PaintBackground(dc, r);
    };
    ui_->PaintBoxA.onPaint = background;
    ui_->PaintBoxB.onPaint = background;

    // The window's icon, drawn from the module's own bitmap.
    icon_.reset(static_cast<HBITMAP>(
        LoadImageA(kit::ThisModule(), MAKEINTRESOURCEA(GLYPH_ICON), IMAGE_BITMAP, 0, 0, 0)));
    if (icon_) {
        BITMAP bm{};
        GetObjectA(icon_.get(), sizeof bm, &bm);
        kit::Bitmap mask(CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr));
        ICONINFO info{TRUE, 0, 0, mask.get(), icon_.get()};
        windowIcon_.reset(CreateIconIndirect(&info));
        SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon_.get()));
        SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowIcon_.get()));
    }
}

const kit::FileDialog& TMainForm1::FileDialogNamed(std::string_view name) const {
    for (const kit::FileDialog& d : fileDialogs_)
        if (name == d.row().name)
            return d;
    return fileDialogs_.front();
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
    PaintBox2Paint();
    if (!shown)
        OpenEdgeGauge();
    RunInitGrab();
    return openStatus_;
}

void TMainForm1::LoadBackgroundBitmap() {
    if (started_)
        return;
    started_ = true;
    if (auto path = station_->paths().Join("vBK2.bmp"))
        background_.reset(static_cast<HBITMAP>(
            LoadImageA(nullptr, path->c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    if (!background_)
        OutputDebugStringA("vardel: no background bitmap vBK2.bmp; the panels stay plain\n");
}

int32_t TMainForm1::InitDevice() {
    ProfileSettings settings(station_->paths().SettingsFilePath().value_or(std::string()));
    return station_->StartDevice(settings);
}

void TMainForm1::AcquisitionStartup() {
    if (acquisitionStarted_)
        return;
    acquisitionStarted_ = true;
    device().GetImageAddr(false);
    device().RegisterGrabFinished();
    camera_->CreateOffscreen(station_->imageWidth(), station_->imageHeight());
}

void TMainForm1::AcquisitionShutdown() {
    camera_->ReleaseOffscreen();
}

void TMainForm1::ViewGeometry() {
    const int32_t h = station_->imageHeight();
    viewWidth_ = 640;
    viewHeight_ = h < 480 ? h : 480;
    if (h > 500) {
        viewHeight_ = 480;
        const double zx = 640.0 / station_->imageWidth();
        const double zy = 480.0 / h;
        device().zoom = zx < zy ? zx : zy;
    }
    auto& panel1 = ui_->Panel1;
    panel1.SetWidth(viewWidth_ + 10);
    ui_->StatusBar1.SetPanelWidth(0, panel1.Width());
    ui_->MainPanel.SetHeight(viewHeight_ + 10);
    ui_->Image2.SetBounds(5, 5, viewWidth_, viewHeight_);
    camera_->SetViewSize(viewWidth_, viewHeight_);
}

void TMainForm1::Arrange(bool shown) {
    OperatorBlock& op = params().op;
    menu_.SetChecked("AutoSaveOk2", params().station.AutoSaveOk != 0);
    menu_.SetChecked("AutoSaveNg2", params().station.AutoSaveNg != 0);
    const uint32_t flags = op.WindowFlags;
    if (shown) {
        if (flags & kToolBarHidden)
            Dispatch(301);
        if (flags & kStatusBarHidden)
            Dispatch(302);
    }
    ui_->CoolBar1.SetVisible(false);
    ui_->StatusBar1.SetVisible(false);
    auto& tools = ui_->ToolBar1;
    tools.SetButtonVisible("LoadI", false);
    tools.SetButtonVisible("SaveI", false);

    const int downHeight = ui_->DownPanel.Height();
    for (kit::Control* b : ui_->bottomButtons)
        b->SetHeight(downHeight - 5);
    const int rightWidth = ui_->rPanel1.Width() - 10;
    for (kit::Control* c : ui_->rightColumn)
        c->SetWidth(rightWidth);
    const RECT b = ui_->rightISetup2.Bounds();
    ui_->BaseLine1.SetBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
    const auto& para = ui_->rightParaSetup1;
    auto& total = ui_->Total1;
    total.SetBounds(ui_->ShowA.Left(), para.Top() + para.Height() + 20, ui_->ShowA.Width(),
                    total.Height());
    PageBig1Click();
    PageSmall1Click();
}

void TMainForm1::PageBig1Click() {
    auto& main = ui_->MainPanel;
    auto& down = ui_->DownPanel;
    auto& big = ui_->PageBig1;
    auto& small = ui_->PageSmall1;
    const int d = 200 - down.Height();
    if (d > 0)
        main.SetHeight(viewHeight_ + 10 - d);
    small.SetVisible(true);
    big.SetVisible(false);
    big.SetLeft(6);
    small.SetLeft(6);
    int top = main.Height() - big.Height() - 8;
    if (d > 0) {
        top += 5;
        down.SetBevelOuter(kit::Bevel::Lowered);
    }
    big.SetTop(top);
    small.SetTop(top);
    for (kit::Control* b : ui_->bottomButtons)
        b->SetVisible(false);
    auto& showD = ui_->ShowD;
    showD.SetBounds(ui_->Image2.Width() - showD.Width(), top, showD.Width(), showD.Height());
    auto& board = ui_->ShowBoardName1;
    board.SetBounds(big.Left() + big.Width() + 10, top, board.Width(), board.Height());
    auto& ok = ui_->OkListView1;
    auto& ng = ui_->NgListView1;
    ok.SetParent(down);
    ng.SetParent(down);
    const int listHeight = down.Height() - 20;
    ok.SetBounds(10, 10, ok.Width(), listHeight);
    ng.SetBounds(ok.Width() + 20, 10, ng.Width(), listHeight);
    ok.SetVisible(true);
    ng.SetVisible(true);
    SetWindowPos(ok.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(ng.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainForm1::PageSmall1Click() {
    auto& main = ui_->MainPanel;
    auto& big = ui_->PageBig1;
    auto& small = ui_->PageSmall1;
    main.SetHeight(viewHeight_ + 10);
    small.SetVisible(false);
    big.SetVisible(true);
    big.SetLeft(6);
    small.SetLeft(6);
    const int top = main.Height() - big.Height() - 8;
    big.SetTop(top);
    small.SetTop(top);
    for (kit::Control* b : ui_->bottomButtons)
        b->SetVisible(true);
    ui_->DownPanel.SetBevelOuter(kit::Bevel::None);
    auto& showD = ui_->ShowD;
    showD.SetBounds(ui_->Image2.Width() - showD.Width(), top, showD.Width(), showD.Height());
    auto& board = ui_->ShowBoardName1;
    board.SetBounds(big.Left() + big.Width() + 10, top, board.Width(), board.Height());
    ui_->OkListView1.SetVisible(false);
    ui_->NgListView1.SetVisible(false);
}

void TMainForm1::ApplyRights() {
    const uint32_t r = params().op.OperatorRights;
    const bool calibrates = (r & kRightsCalibrate) != 0;
    const bool engineer = (r & kRightsEngineer) != 0;
    menu_.SetEnabled("GrabSw2", calibrates);
    menu_.SetEnabled("AutoSaveOk2", calibrates);
    menu_.SetEnabled("AutoSaveNg2", calibrates);
    for (kit::Control* b : ui_->commandButtons)
        b->SetVisible(calibrates);
    menu_.SetEnabled("Save2", engineer);
    ui_->rightParaSetup1.SetTag(r == 0 ? 0 : calibrates ? 1 : 2);
    auto& load = ui_->rightLoad1;
    auto& baseLine = ui_->BaseLine1;
    load.SetVisible(true);
    baseLine.SetVisible(engineer);
    if ((r & 0xFF) != 0 && (r & 0x7F00) == 0) {
        baseLine.SetTop(ui_->rightCSetup1.Top());
        ui_->rightISetup1.SetVisible(true);
        ui_->rightISetup2.SetVisible(true);
    }
    if (calibrates) {
        baseLine.SetTop(load.Top());
        load.SetVisible(false);
    }
    ui_->Total1.SetVisible(r == 0);
    baseLine.SetVisible(false);
}

void TMainForm1::PaintBackground(HDC dc, const RECT& area) {
    if (!background_)
        return;
    // The brush borrows the bitmap; the bitmap stays ours.
    kit::Brush pattern(CreatePatternBrush(background_.get()));
    FillRect(dc, &area, pattern.get());
}

void TMainForm1::RightButtonCommand(int32_t button, double moveMm, HostCommand command) {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int32_t pulses = RoundHalfAway(moveMm * device().pulsePerMm);
    if (HostLink::Notify notify = host_.Notification())
        notify(button, pulses);
    host_.UnderStationLock([&] { return station_->Run(command, false); });
    SetCursor(previous);
}

void TMainForm1::rightISetup1Click() {
    RightButtonCommand(0, params().station.InitMoveX, HostCommand::InspectionA);
}
void TMainForm1::rightISetup2Click() {
    RightButtonCommand(1, TheLastValues().offset, HostCommand::InspectionB);
}
void TMainForm1::rightCSetup1Click() {
    RightButtonCommand(2, params().station.InitMoveX, HostCommand::CalibrationM);
}
void TMainForm1::rightCSetup2Click() {
    RightButtonCommand(3, params().station.MoveX, HostCommand::CalibrationN);
}
void TMainForm1::BaseLine1Click() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    host_.UnderStationLock([this] { return station_->RunBaseLine(); });
    SetCursor(previous);
}

void TMainForm1::UnderLock(const std::function<void()>& step) {
    // What the step has to tell the operator is shown once the lock is free.
    MessageBoxes::Later later(prompts_);
    host_.UnderStationLock([&] {
        step();
        return 0;
    });
}

void TMainForm1::Login(const std::string& caption) {
    if (!libs_.login.ShowLoginForm)
        return;
    // The login form stays up as long as the operator types: it fills a
    // copy, and the rights change in one step under the station lock.
    OperatorBlock op;
    UnderLock([&] { op = params().op; });
    if (!libs_.login.ShowLoginForm(caption.c_str(), &op))
        return;
    UnderLock([&] { params().op = op; });
    ApplyRights();
}

void TMainForm1::OpenEdgeGauge() {
    libs_.edgeGauge.Open(device().application);
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

void TMainForm1::OnMenuCommand(WORD id) {
    menu_.Choose(id);
}

void TMainForm1::Dispatch(int tag) {
    if (const kit::MenuBar::Item* item = menu_.ByTag(tag))
        Dispatch(*item);
}

void TMainForm1::ToggleBar(const char* item, kit::Control& bar, uint32_t flag) {
    kit::MenuBar::Item* it = menu_.Find(item);
    if (!it)
        return;
    menu_.SetChecked(item, !it->checked);
    kit::Control& control = bar;
    control.SetVisible(it->checked);
    const bool visible = control.Visible();
    UnderLock([&] {
        uint32_t& flags = params().op.WindowFlags;
        flags = visible ? (flags & ~flag) : (flags | flag);
    });
}

void TMainForm1::Dispatch(const kit::MenuBar::Item& item) {
    // Texts handed out are copies that live through the call, never null.
    const std::string caption = item.caption;
    switch (item.entry.tag) {
    case 100: // Login2: the rights step only after a successful login
        Login(caption);
        break;
    case 101:
        LoadMaterial();
        break;
    case 102:
        SaveMaterialAs();
        break;
    case 103: // Exit2: closing only hides the window
        FormClose();
        break;
    case 200: // a single grab; the grab-finished call repaints
        UnderLock([this] {
            device().GrabFrame();
            device().GetImageAddr(false);
        });
        break;
    case 201:
        UnderLock([this] { device().StartLive(); });
        break;
    case 202:
        UnderLock([this] { device().StopLive(); });
        break;
    case 203:
        LoadImageFile();
        break;
    case 204:
        SaveImageFile();
        break;
    case 300: // English2: the language library's own choice
        SwitchLanguage(caption);
        break;
    case 301:
        ToggleBar("ToolBar2", ui_->CoolBar1, kToolBarHidden);
        break;
    case 302:
        ToggleBar("StateBar2", ui_->StatusBar1, kStatusBarHidden);
        break;
    case 303:
        if (libs_.login.DrawMarkSetup)
            libs_.login.DrawMarkSetup(caption.c_str());
        PaintBox2Paint();
        break;
    case 304:
        menu_.SetChecked("GrabSw2", !item.checked);
        station_->grabSwitch().set(item.checked);
        break;
    case 305:
        menu_.SetChecked("AutoSaveOk2", !item.checked);
        UnderLock([&] { params().station.AutoSaveOk = item.checked ? 1 : 0; });
        break;
    case 306:
        menu_.SetChecked("AutoSaveNg2", !item.checked);
        UnderLock([&] { params().station.AutoSaveNg = item.checked ? 1 : 0; });
        break;
    case 400:
        OpenWithShell(Text(captions::kHomePage.section, captions::kHomePage.key));
        break;
    case 401:
        OpenWithShell(Text(captions::kEmail.section, captions::kEmail.key));
        break;
    case 402:
        ShowAbout(caption);
        break;
    case 403:
        OpenWithShell(station_->paths().WorkingDirectory() + "\\readme.txt");
        break;
    case 404:
        OpenWithShell(NgLogPath(clock_.Now()));
        break;
    default:
        break;
    }
}

void TMainForm1::OpenWithShell(const std::string& file) {
    shell_.Open(hwnd(), file);
}

void TMainForm1::ShowAbout(const std::string& caption) {
    if (!libs_.about.ShowBasicAboutForm)
        return;
    const std::string systemName = Text(captions::kSystemName.section, captions::kSystemName.key);
    libs_.about.ShowBasicAboutForm(caption.c_str(), systemName.c_str(), kAboutVersion, kAboutAuthor,
                                   kAboutDate);
}

void TMainForm1::rightParaSetup1Click() {
    OpenParameterDialog(ui_->rightParaSetup1.tag());
}

void TMainForm1::ShowDClick() {
    OpenParameterDialog(0);
}

void TMainForm1::OpenParameterDialog(int which) {
    // 0 ring position, 1 calibration values, 2 inspection parameters; the
    // choice is told to the debugger.  After OK the view is repainted and
    // the dialog's saves run.
    static const char* const kDialogs[3] = {"TCalFormOp2", "TCalFormAm2", "TCalFormEn2"};
    if (which < 0 || which > 2)
        return;
    const std::string line = std::string("vardel: parameter dialog ") + kDialogs[which] + " (" +
                             ui_->rightParaSetup1.Caption() + ")\n";
    OutputDebugStringA(line.c_str());
    DialogContext context;
    context.params = &params();
    context.text = [this](const char* section, const char* key) { return Text(section, key); };
    context.caption = ui_->rightParaSetup1.Caption();
    context.repaintView = [this] { PaintBox2Paint(); };
    context.saveParameterFile = [this] {
        UnderLock([this] { station_->parameterFiles().SaveParameterFile(); });
    };
    context.saveMaterial = [this] {
        UnderLock([this] { station_->parameterFiles().SaveMaterial(); });
    };
    context.underStationLock = [this](const std::function<void()>& write) { UnderLock(write); };
    ShowParameterDialog(which, context);
}

void TMainForm1::sReset1Click() {
    const std::string question =
        Text(captions::kResetQuestion.section, captions::kResetQuestion.key);
    if (!prompts_.Confirm(hwnd(), question, "Confirm"))
        return;
    // Under the station lock, so that every row booked before the reset is
    // queued before the lists are emptied and none booked after it is lost.
    std::string log;
    DWORD deleteError = ERROR_SUCCESS;
    host_.UnderStationLock([&] {
        station_->ResetStatistics();
        log = NgLogPath(clock_.Now());
        if (!DeleteFileA(log.c_str()))
            deleteError = GetLastError();
        Queue({WindowUpdate::Kind::ClearLists, 0, 0, {}});
        return 0;
    });
    // A log that is not there needs no deleting; one that stays (held open
    // by a viewer, write-protected) keeps its rows, and the operator hears
    // of it once the station lock is free again.
    if (deleteError != ERROR_SUCCESS && deleteError != ERROR_FILE_NOT_FOUND &&
        deleteError != ERROR_PATH_NOT_FOUND)
        prompts_.Message("NG Log Delete error...\n" + log, kFileCaption,
                         PromptsPort::Kind::Warning);
}

void TMainForm1::LoadMaterial() {
    std::string file;
    if (!FileDialogNamed("OpenDialog2")
             .Execute(hwnd(), FolderOrNone(station_->paths().ConfigDirectory()), file))
        return;
    // A record that cannot be read leaves the material as it was: the name
    // and title keep naming the recipe whose tolerances still judge drills.
    bool loaded = false;
    UnderLock([&] {
        loaded = station_->parameterFiles().LoadMaterialRecord(file);
        if (loaded)
            station_->parameterFiles().TakeMaterialName(file);
    });
    if (!loaded)
        return;
    RefreshTitle();
    PaintBox2Paint();
}

void TMainForm1::SaveMaterialAs() {
    std::string file;
    UnderLock([&] { file = FieldTextOf(params().station.MaterialName); });
    if (!FileDialogNamed("SaveDialog2")
             .Execute(hwnd(), FolderOrNone(station_->paths().ConfigDirectory()), file,
                      &SaveDialogHook))
        return;
    // The title names the record that was written: a record that could not
    // be written (told by the write message) leaves the name as it was.
    bool written = false;
    UnderLock([&] {
        written = station_->parameterFiles().SaveMaterialRecord(file);
        station_->parameterFiles().SaveParameterFile();
        if (written)
            station_->parameterFiles().TakeMaterialName(file);
    });
    if (!written)
        return;
    RefreshTitle();
}

void TMainForm1::LoadImageFile() {
    std::string file;
    if (!FileDialogNamed("OpenDialog1")
             .Execute(hwnd(), FolderOrNone(station_->paths().ImageDirectory()), file))
        return;
    UnderLock([&] { ReadImageFile(device(), file); });
    PaintBox2Paint();
}

void TMainForm1::SaveImageFile() {
    std::string file;
    if (!FileDialogNamed("SaveDialog1")
             .Execute(hwnd(), FolderOrNone(station_->paths().ImageDirectory()), file,
                      &SaveDialogHook))
        return;
    // Under the station lock: a colour picture's bytes are exchanged in the
    // image memory while it is saved, and a measurement must not see them so.
    int32_t saved = 0;
    UnderLock([&] { saved = device().SaveImage(file); });
    PaintBox2Paint();
    // A file that was not written is told; without an imaging library the
    // command does nothing, as ever.
    if (saved == vManager::kImageNotWritten)
        prompts_.Message(vManager::kImageWriteError + file, kFileCaption,
                         PromptsPort::Kind::Warning);
}

void TMainForm1::MeasuredLine(double x1, double y1, double x2, double y2) {
    camera_->DrawMeasuredLine(x1, y1, x2, y2);
}

void TMainForm1::Statistics(int32_t okCount, int32_t ngCount) {
    Queue({WindowUpdate::Kind::Statistics, okCount, ngCount, {}});
}

void TMainForm1::OkRow(std::vector<std::string> texts) {
    Queue({WindowUpdate::Kind::OkRow, 0, 0, std::move(texts)});
}

void TMainForm1::NgRow(std::vector<std::string> texts) {
    Queue({WindowUpdate::Kind::NgRow, 0, 0, std::move(texts)});
}

void TMainForm1::Queue(WindowUpdate update) {
    std::lock_guard<std::mutex> g(updatesLock_);
    updates_.push_back(std::move(update));
    // One wake-up message for a batch; should the queue of the window's
    // thread be full, the 30 ms refresh applies the batch instead.
    if (!updatesPosted_)
        updatesPosted_ = PostMessageA(hwnd(), kUpdatesMessage, 0, 0) != 0;
}

void TMainForm1::ApplyQueuedUpdates() {
    std::deque<WindowUpdate> batch;
    {
        std::lock_guard<std::mutex> g(updatesLock_);
        batch.swap(updates_);
        updatesPosted_ = false;
    }
    for (const WindowUpdate& u : batch) {
        switch (u.kind) {
        case WindowUpdate::Kind::Statistics:
            ShowStatistics(u.okCount, u.ngCount);
            break;
        case WindowUpdate::Kind::OkRow:
            InsertListRow(false, u.row);
            break;
        case WindowUpdate::Kind::NgRow:
            InsertListRow(true, u.row);
            break;
        case WindowUpdate::Kind::ClearLists:
            ui_->OkListView1.Clear();
            ui_->NgListView1.Clear();
            break;
        }
    }
}

void TMainForm1::InsertListRow(bool ng, const std::vector<std::string>& row) {
    kit::ListView& list = ng ? ui_->NgListView1 : ui_->OkListView1;
    list.InsertRow(0, row);
    while (list.RowCount() > static_cast<int>(kListRows))
        list.DeleteRow(list.RowCount() - 1);
}

void TMainForm1::ShowStatistics(int32_t okCount, int32_t ngCount) {
    const int64_t total = static_cast<int64_t>(okCount) + ngCount;
    const double yield = total != 0 ? okCount * 100.0 / static_cast<double>(total) : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(total));
    ui_->sTotal1.SetCaption(text);
    ui_->sOk1.SetCaption(std::to_string(okCount));
    ui_->sNg1.SetCaption(std::to_string(ngCount));
    std::snprintf(text, sizeof text, "%.2f%%", yield);
    ui_->sYield1.SetCaption(text);
}

void TMainForm1::Timer1Timer() {
    ApplyQueuedUpdates();
    camera_->ApplyRingCaption();
    FailOnce(gFaultTimer, "test fault in the value-panel refresh");
    panels_ = FormatPanels(statusLabels_, TheLastValues(), TheCommandTexts(), params().station);
    ui_->ShowA.SetCaption(panels_.showA);
    ui_->ShowB.SetCaption(panels_.showB);
    ui_->ShowC.SetCaption(panels_.showC);
    ui_->ShowA1.SetCaption(panels_.showA1);
    if (ui_->ShowA1.Hint() != panels_.showA1Hint)
        ui_->ShowA1.SetHint(panels_.showA1Hint);
    ui_->ShowB1.SetCaption(panels_.showB1);
    ui_->ShowC1.SetCaption(panels_.showC1);
}

void TMainForm1::OnGrabFinished(uint8_t* image) {
    FailOnce(gFaultGrab, "test fault in the grab-finished call");
    camera_->Paint(image, params());
    frames_.fetch_add(1);
}

void TMainForm1::PaintBox2Paint() {
    camera_->Paint(device().GetImageAddr(false), params());
    frames_.fetch_add(1);
}

void TMainForm1::ShutdownSequence() {
    if (!started_)
        return;
    started_ = false;
    EnableOtherWindows();
    background_.reset();
    ScreenKeyboard().reset();
    Dispatch(202);
    libs_.edgeGauge.Close();
    // The capture library may still be inside a grab-finished call.
    Sleep(200);
    AcquisitionShutdown();
}

void TMainForm1::FormClose() {
    ShowWindow(hwnd(), SW_HIDE);
    EnableOtherWindows();
}

void TMainForm1::ShowOnWindowThread(bool modal) {
    if (!IsWindowVisible(hwnd())) {
        // The texts of the requested language are there before the window
        // appears; the rest of the show sequence needs its shown size.
        LoadCaptions();
        ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
        StartupSequence(true);
    }
    SetForegroundWindow(hwnd());
    if (!modal || !disabledByModal_.empty() || !IsWindowVisible(hwnd()))
        return;
    // The thread's other windows wait while the station's window is modal.
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabledByModal_));
    std::erase(disabledByModal_, hwnd());
    for (HWND h : disabledByModal_)
        EnableWindow(h, FALSE);
}

void TMainForm1::EnableOtherWindows() {
    std::vector<HWND> windows;
    windows.swap(disabledByModal_);
    for (HWND h : windows)
        if (IsWindow(h))
            EnableWindow(h, TRUE);
}

LRESULT TMainForm1::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kShowRequest:
        ShowOnWindowThread(wp != 0);
        return 0;
    case kUpdatesMessage:
        ApplyQueuedUpdates();
        return 0;
    case WM_CLOSE:
        FormClose();
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
    return Form::OnMessage(msg, wp, lp);
}

} // namespace station
