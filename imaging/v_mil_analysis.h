// vMilAnalysis: the imaging library's application, system and buffers that
// the device uses to reduce tall pictures for the view and to read and
// write image files.
#pragma once

#include "imaging/v_mil_objects.h"
#include "imaging/v_object.h"
#include "station/ports.h"

#include <memory>
#include <string>

namespace station {

class vMilAnalysis : public vBasicAnalysis {
  public:
    // Buffer kinds.
    enum Kind { kGrey0 = 0, kGrey1 = 1, kGrey2 = 2, kDisplay = 3, kReduced = 4 };

    explicit vMilAnalysis(ImagingPort& lib) : lib_(lib) {}
    ~vMilAnalysis() override;

    int32_t Setup(int32_t width, int32_t height);
    int32_t Release();
    // 1 when not set up; copies the image into the buffer of that kind.
    int32_t PutImage(const uint8_t* memory, int32_t kind);
    uint8_t* GetBufferAddr(int32_t kind);
    // mode 1 grey, else 24-bit colour (B, G, R in memory).  LoadFile: false
    // when not set up.  SaveFile: false when not set up or when the file
    // was not written.
    bool LoadFile(uint8_t* memory, const std::string& file, int32_t mode);
    bool SaveFile(uint8_t* memory, const std::string& file, int32_t mode);
    uint8_t* ScaleForDisplay(double zoom, bool resize, int32_t kind);

    bool isSetUp() const { return state == 0; }

    int32_t application = 0;
    int32_t system = 0;
    int32_t grey2 = 0;
    int32_t display = 0;
    int32_t reduced = 0;
    int32_t colour = 0;
    int32_t state = -1;
    bool ownsApplication = false;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    int32_t displayWidth = 640;
    int32_t displayHeight = 480;
    int32_t reduction = 2;
    double zoom = 1.0;
    int32_t grey0 = 0;
    int32_t grey1 = 0;
    std::unique_ptr<vMilBlob> blob;
    std::unique_ptr<vMilMatch> match;

  protected:
    ImagingPort& lib_;

  private:
    int32_t BufferOfKind(int32_t kind) const;
    void SwapRedBlue(uint8_t* memory) const;
};

// Whether an application context is allocated in this process now.
bool ApplicationAllocated();

} // namespace station
