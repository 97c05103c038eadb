// What the station's portable rules need from the world, as small C++
// interfaces.  The Windows side implements them over the outside libraries
// and the Windows API; native tests replace them with fakes.
#pragma once

#include <cstdint>
#include <string>

namespace station {

// The frame grabber (card and channel 0).
class CapturePort {
  public:
    virtual ~CapturePort() = default;
    // Starts the grabber; returns true for a colour camera.
    virtual bool Init() = 0;
    virtual void Close() = 0;
    virtual void GetImageSize(int32_t* width, int32_t* height) = 0;
    virtual uint8_t* GetImageAddr(bool fresh) = 0;
    virtual void Grab() = 0;
    virtual void Live() = 0;
    virtual void Stop() = 0;
    // Registers the station's grab-finished function and the wait method 1.
    virtual void RegisterGrabFinished() = 0;
};

// The machine's digital I/O: only opened and closed.
class IoPort {
  public:
    virtual ~IoPort() = default;
    virtual void Init() = 0;
    virtual void Close() = 0;
};

// The settings file Kest.INI: the text of a key, "unknow" when the file,
// the section or the key is missing, at most 99 characters.
class SettingsLookup {
  public:
    virtual ~SettingsLookup() = default;
    virtual std::string Get(const char* section, const char* key) = 0;
};

} // namespace station
