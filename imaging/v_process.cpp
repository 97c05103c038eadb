#include "imaging/v_process.h"

namespace station {

vManager::vManager(const DevicePorts& ports)
    : vMilAnalysis(ports.imaging), card(ports.pages), capture_(ports.capture), io_(ports.io) {}

vManager::~vManager() {
    displayObject.reset();
    if (started_) {
        capture_.Close();
        io_.Close();
    }
    // The frame-buffer set and the imaging library go with the members and
    // the base, in this order.
}

void vManager::ReadMotionSettings(SettingsLookup& settings) {
    motion_ = station::ReadMotionSettings(settings);
    pulsePerMm = motion_.pulsePerMm;
}

int32_t vManager::Init(SettingsLookup& settings, int32_t& w, int32_t& h) {
    CurrentSettings() = ReadBasicSettings(settings);
    io_.Init();
    started_ = true;
    ReadMotionSettings(settings);
    const bool colourCamera = capture_.Init();
    displayObject = std::make_unique<vCtrlDispImg>(colourCamera);
    capture_.GetImageSize(&w, &h);
    // A camera without a picture size can be neither shown nor measured.
    if (w <= 0 || h <= 0)
        return -1;
    Setup(w, h);
    if (displayObject->mode() != 1)
        card.Allocate(2, w, h, 8, 0, 1, 0);
    return 0;
}

int32_t vManager::GrabFrame() {
    capture_.Grab();
    capture_.GetImageAddr(false);
    return 0;
}

int32_t vManager::StartLive() {
    capture_.Live();
    return 0;
}

int32_t vManager::StopLive() {
    capture_.Stop();
    return 0;
}

uint8_t* vManager::GetImageAddr(bool fresh) { return capture_.GetImageAddr(fresh); }

int32_t vManager::GetImageSize(int32_t* w, int32_t* h) {
    capture_.GetImageSize(w, h);
    return 0;
}

int32_t vManager::LoadImage(const std::string& file) {
    uint8_t* memory = GetImageAddr(false);
    if (!isSetUp() || !memory)
        return 1;
    LoadFile(memory, file, DisplayMode());
    return 0;
}

int32_t vManager::SaveImage(const std::string& file) {
    uint8_t* memory = GetImageAddr(false);
    if (!isSetUp() || !memory)
        return 1;
    return SaveFile(memory, file, DisplayMode()) ? 0 : kImageNotWritten;
}

} // namespace station
