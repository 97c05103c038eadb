// The station's ports over the bound outside libraries and the Windows API.
#pragma once

#include "contracts/library_loader.h"
#include "contracts/ports.h"

#include <string>

namespace station {

class GrabcardCapture : public CapturePort {
  public:
    GrabcardCapture(const GrabcardApi& api, GrabFinished onFrame) : api_(api), onFrame_(onFrame) {}
    bool Init() override;
    void Close() override { api_.Close(); }
    void GetImageSize(int32_t* width, int32_t* height) override {
        api_.GetImageSize(0, width, height);
    }
    uint8_t* GetImageAddr(bool fresh) override { return api_.GetImageAddr(0, 0, fresh ? 1 : 0); }
    void Grab() override { api_.Grab(0, 0); }
    void Live() override { api_.Live(0, 0); }
    void Stop() override { api_.Stop(0, 0); }
    void RegisterGrabFinished() override;

  private:
    GrabcardApi api_;
    GrabFinished onFrame_;
};

class PinbusIo : public IoPort {
  public:
    explicit PinbusIo(const PinbusApi& api) : api_(api) {}
    void Init() override { api_.Init(); }
    void Close() override { api_.Close(); }

  private:
    PinbusApi api_;
};

// Kest.INI through GetPrivateProfileStringA, one 100-character buffer.
class ProfileSettings : public SettingsLookup {
  public:
    explicit ProfileSettings(std::string path) : path_(std::move(path)) {}
    std::string Get(const char* section, const char* key) override;

  private:
    std::string path_;
};

} // namespace station
