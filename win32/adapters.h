// The station's ports over the bound outside libraries and the Windows API.
#pragma once
#include <vector>
#include <mutex>

#include "contracts/library_loader.h"
#include "station/ports.h"

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

// The imaging library over Imaging.dll.
class ImagingLibrary : public ImagingPort {
  public:
    explicit ImagingLibrary(const ImagingApi& api) : api_(api) {}
    void AppAlloc(int32_t* h) override { api_.AppAlloc(h); }
    void AppFree(int32_t h) override { api_.AppFree(h); }
    void SystemAlloc(int32_t* h) override { api_.SystemAlloc(h); }
    void SystemFree(int32_t h) override { api_.SystemFree(h); }
    void BufAllocGrey(int32_t s, int32_t w, int32_t h, int32_t* b) override {
        api_.BufAllocGrey(s, w, h, b);
    }
    void BufAllocColour(int32_t s, int32_t w, int32_t h, int32_t* b) override {
        api_.BufAllocColour(s, w, h, b);
    }
    void BufFree(int32_t b) override { api_.BufFree(b); }
    uint8_t* BufHostAddress(int32_t b) override { return api_.BufHostAddress(b); }
    void BufGet(int32_t b, int32_t w, int32_t h, uint8_t* m) override {
        api_.BufGet(b, 0, 0, w, h, m);
    }
    void BufPut(int32_t b, int32_t w, int32_t h, const uint8_t* m) override {
        api_.BufPut(b, 0, 0, w, h, m);
    }
    void BufGetPacked(int32_t b, int32_t w, int32_t h, uint8_t* m) override {
        api_.BufGetPacked(b, 0, 0, w, h, m);
    }
    void BufPutPacked(int32_t b, int32_t w, int32_t h, const uint8_t* m) override {
        api_.BufPutPacked(b, 0, 0, w, h, m);
    }
    bool BufLoad(const std::string& f, int32_t b) override {
        return api_.BufLoad(f.c_str(), b) == 0;
    }
    bool BufSave(const std::string& f, int32_t b) override {
        return api_.BufSave(f.c_str(), b) == 0;
    }
    void Resize(int32_t s, int32_t d, double fx, double fy) override { api_.Resize(s, d, fx, fy); }
    void BlobAllocFeatureList(int32_t s, int32_t* h) override { api_.BlobAllocFeatureList(s, h); }
    void BlobAllocResult(int32_t s, int32_t* h) override { api_.BlobAllocResult(s, h); }
    void BlobFree(int32_t h) override { api_.BlobFree(h); }
    void PatternFree(int32_t h) override { api_.PatternFree(h); }

  private:
    ImagingApi api_;
};

// The edge gauge over EdgeGauge.dll.
class GaugeLibrary : public EdgeGaugePort {
  public:
    explicit GaugeLibrary(const EdgeGaugeApi& api) : api_(api) {}
    int32_t DetectHeight(uint8_t* image, double* x1, double* y1, double* x2, double* y2) override {
        return api_.DetectHeight(0, image, x1, y1, x2, y2);
    }

  private:
    EdgeGaugeApi api_;
};

// Sleep and the local time.  The environment variable VARDEL_TEST_WAITS=0
// turns the fixed waits off, for soak tests that run many thousands of
// commands; the station's rules are the same either way.
class SystemClock : public ClockPort {
  public:
    SystemClock();
    void WaitMs(int ms) override {
        if (waits_)
            Sleep(static_cast<DWORD>(ms));
    }
    LocalTime Now() override;

  private:
    bool waits_ = true;
};

// Frame-buffer planes from VirtualAlloc.
class VirtualPages : public PageMemory {
  public:
    void* Allocate(std::size_t bytes) override {
        return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    }
    void Free(void* p) override { VirtualFree(p, 0, MEM_RELEASE); }
};

// Files on disk: a replacement is written beside the file, flushed, and
// moved over it in one step.
class DiskFiles : public FileStore {
  public:
    std::optional<std::vector<uint8_t>> Read(const std::string& path, std::size_t max) override;
    bool Replace(const std::string& path, const std::vector<uint8_t>& bytes) override;
    bool Exists(const std::string& path) override;
    bool Append(const std::string& path, const std::string& bytes) override;
};

// Message boxes owned by the window that has the keyboard focus.
class MessageBoxes : public PromptsPort {
  public:
    void Message(const std::string& text, const std::string& caption, Kind kind) override;
    // While one lives, the messages of the thread that made it wait and are
    // shown when the last one goes: an operator's step under the station
    // lock never holds the host's commands up while a message waits for
    // its OK.
    class Later {
      public:
        explicit Later(MessageBoxes& boxes);
        ~Later();
        Later(const Later&) = delete;
        Later& operator=(const Later&) = delete;

      private:
        MessageBoxes& boxes_;
    };
    // A modal question with the confirmation icon and Yes and No; true for
    // Yes.
    bool Confirm(HWND owner, const std::string& text, const std::string& caption);

  private:
    struct Waiting {
        std::string text, caption;
        Kind kind;
    };
    void Show(const Waiting& m) const;
    std::mutex lock_;
    DWORD laterThread_ = 0; // the thread whose messages wait, 0 none
    int laterDepth_ = 0;
    std::vector<Waiting> waiting_;
};

// The shell's open verb: help texts, web and mail links, the NG log.
class ShellOpener {
  public:
    // Verb "Open", no parameters, no directory, shown normally.
    void Open(HWND owner, const std::string& file);
};

// The system's ANSI code page.
class SystemCodePage : public CodePagePort {
  public:
    bool IsLeadByte(uint8_t b) const override { return IsDBCSLeadByte(b) != 0; }
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
