// What the station's portable rules need from the world, as small C++
// interfaces.  The Windows side implements them over the outside libraries
// and the Windows API; native tests replace them with fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The operator's message boxes.
class PromptsPort {
  public:
    enum class Kind { Information, Warning, Error };
    virtual ~PromptsPort() = default;
    // Shows a modal message with an OK button.
    virtual void Message(const std::string& text, const std::string& caption, Kind kind) = 0;
};

// Whole-file reads and safe replacements.
class FileStore {
  public:
    virtual ~FileStore() = default;
    // Up to maxBytes from the start of the file; nothing when it cannot be
    // opened for reading.
    virtual std::optional<std::vector<uint8_t>> Read(const std::string& path,
                                                     std::size_t maxBytes) = 0;
    // Writes bytes as the file's new content: a new file beside it, then
    // replaced in one step, so the old content stays whole when anything
    // fails (false then).
    virtual bool Replace(const std::string& path, const std::vector<uint8_t>& bytes) = 0;
    virtual bool Exists(const std::string& path) = 0;
    // Opens the file for appending (creating it), writes, closes; false when
    // it cannot be opened or when not every byte reached the file (a failed
    // or short write), so that the caller reports the loss.
    virtual bool Append(const std::string& path, const std::string& bytes) = 0;
};

// The edge gauge: two edge points of the silhouette in the image; 0 means
// the four values are valid.
class EdgeGaugePort {
  public:
    virtual ~EdgeGaugePort() = default;
    virtual int32_t DetectHeight(uint8_t* image, double* x1, double* y1, double* x2,
                                 double* y2) = 0;
};

// The local clock and the station's fixed waits.
class ClockPort {
  public:
    struct LocalTime {
        unsigned year, month, day, hour, minute, second;
    };
    virtual ~ClockPort() = default;
    virtual void WaitMs(int ms) = 0;
    virtual LocalTime Now() = 0;
};

// The picture that a measurement works on.
class PictureSource {
  public:
    virtual ~PictureSource() = default;
    // The picture of one measured image (grabbed fresh when the grab switch
    // is on).
    virtual uint8_t* GrabAndGetImage() = 0;
};

// What the station's rules show on the window.  Every call may come from the
// host's thread under the station lock and returns without waiting for the
// window's thread.
class StationView {
  public:
    virtual ~StationView() = default;
    // The averaged edge points as a line on the camera view.
    virtual void DrawMeasuredLine(double x1, double y1, double x2, double y2) = 0;
    // The measurement's own copy of its last picture, as it was measured
    // (cut, bands): painted into the camera view.  Valid during the call.
    virtual void ShowMeasuredPicture(const uint8_t* picture) { (void)picture; }
    virtual void RefreshView() = 0;
    virtual void RefreshStatistics() = 0;
    // A booked row at the top of the OK or NG list.
    virtual void InsertOkRow(const std::vector<std::string>& texts) = 0;
    virtual void InsertNgRow(const std::vector<std::string>& texts) = 0;
};

// The system's text rules: lead bytes of the double-byte code page.
class CodePagePort {
  public:
    virtual ~CodePagePort() = default;
    virtual bool IsLeadByte(uint8_t byte) const = 0;
};

// Page-granular memory for frame buffers.
class PageMemory {
  public:
    virtual ~PageMemory() = default;
    virtual void* Allocate(std::size_t bytes) = 0; // committed, read-write, zeroed
    virtual void Free(void* address) = 0;
};

// The imaging library: handles are non-zero int32 values.
class ImagingPort {
  public:
    virtual ~ImagingPort() = default;
    virtual void AppAlloc(int32_t* application) = 0;
    virtual void AppFree(int32_t application) = 0;
    virtual void SystemAlloc(int32_t* system) = 0;
    virtual void SystemFree(int32_t system) = 0;
    virtual void BufAllocGrey(int32_t system, int32_t w, int32_t h, int32_t* buffer) = 0;
    virtual void BufAllocColour(int32_t system, int32_t w, int32_t h, int32_t* buffer) = 0;
    virtual void BufFree(int32_t buffer) = 0;
    virtual uint8_t* BufHostAddress(int32_t buffer) = 0;
    virtual void BufGet(int32_t buffer, int32_t w, int32_t h, uint8_t* memory) = 0;
    virtual void BufPut(int32_t buffer, int32_t w, int32_t h, const uint8_t* memory) = 0;
    // Colour buffers as packed 3-byte pixels (R, G, B).
    virtual void BufGetPacked(int32_t buffer, int32_t w, int32_t h, uint8_t* memory) = 0;
    virtual void BufPutPacked(int32_t buffer, int32_t w, int32_t h, const uint8_t* memory) = 0;
    // False (buffer untouched) when the file cannot be read.
    virtual bool BufLoad(const std::string& file, int32_t buffer) = 0;
    // False when the file could not be written.
    virtual bool BufSave(const std::string& file, int32_t buffer) = 0;
    virtual void Resize(int32_t source, int32_t destination, double fx, double fy) = 0;
    virtual void BlobAllocFeatureList(int32_t system, int32_t* handle) = 0;
    virtual void BlobAllocResult(int32_t system, int32_t* handle) = 0;
    virtual void BlobFree(int32_t handle) = 0;
    virtual void PatternFree(int32_t handle) = 0;
};

} // namespace station
