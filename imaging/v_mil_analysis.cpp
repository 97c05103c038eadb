#include "imaging/v_mil_analysis.h"

#include <atomic>
#include <utility>

namespace station {
namespace {
// Set while some device owns the process's application context.
std::atomic<bool> gApplicationAllocated{false};
} // namespace

bool ApplicationAllocated() { return gApplicationAllocated.load(); }

vMilAnalysis::~vMilAnalysis() { Release(); }

int32_t vMilAnalysis::Setup(int32_t w, int32_t h) {
    imageWidth = w;
    imageHeight = h;
    if (application == 0 && !gApplicationAllocated.exchange(true)) {
        lib_.AppAlloc(&application);
        ownsApplication = true;
    }
    lib_.SystemAlloc(&system);
    lib_.BufAllocGrey(system, w, h, &grey0);
    lib_.BufAllocGrey(system, w, h, &grey1);
    lib_.BufAllocGrey(system, w, h, &grey2);
    lib_.BufAllocGrey(system, displayWidth, displayHeight, &display);
    lib_.BufAllocGrey(system, displayWidth / reduction, displayHeight / reduction, &reduced);
    lib_.BufAllocColour(system, w, h, &colour);
    width = w;
    height = h;
    blob = std::make_unique<vMilBlob>(lib_, system);
    match = std::make_unique<vMilMatch>(lib_, system);
    state = 0;
    return 0;
}

int32_t vMilAnalysis::Release() {
    match.reset();
    blob.reset();
    for (int32_t* buffer : {&colour, &reduced, &display, &grey2, &grey1, &grey0}) {
        if (*buffer)
            lib_.BufFree(*buffer);
        *buffer = 0;
    }
    if (system)
        lib_.SystemFree(system);
    system = 0;
    if (application && ownsApplication) {
        lib_.AppFree(application);
        // The context is gone: a device built later allocates its own.
        gApplicationAllocated = false;
    }
    application = 0;
    ownsApplication = false;
    state = -1;
    return 0;
}

int32_t vMilAnalysis::BufferOfKind(int32_t kind) const {
    switch (kind) {
    case kGrey0:
        return grey0;
    case kGrey1:
        return grey1;
    case kGrey2:
        return grey2;
    case kDisplay:
        return display;
    case kReduced:
        return reduced;
    default:
        return 0;
    }
}

int32_t vMilAnalysis::PutImage(const uint8_t* memory, int32_t kind) {
    if (!isSetUp())
        return 1;
    if (const int32_t buffer = BufferOfKind(kind))
        lib_.BufPut(buffer, imageWidth, imageHeight, memory);
    return 0;
}

uint8_t* vMilAnalysis::GetBufferAddr(int32_t kind) {
    if (!isSetUp())
        return nullptr;
    const int32_t buffer = BufferOfKind(kind);
    return buffer ? lib_.BufHostAddress(buffer) : nullptr;
}

void vMilAnalysis::SwapRedBlue(uint8_t* memory) const {
    const std::size_t pixels = static_cast<std::size_t>(imageWidth) * imageHeight;
    for (std::size_t i = 0; i < pixels; ++i)
        std::swap(memory[3 * i], memory[3 * i + 2]);
}

bool vMilAnalysis::LoadFile(uint8_t* memory, const std::string& file, int32_t mode) {
    if (!isSetUp())
        return false;
    // A file that cannot be read leaves the image memory as it was.
    if (mode == 1) {
        if (lib_.BufLoad(file, grey0))
            lib_.BufGet(grey0, imageWidth, imageHeight, memory);
    } else if (lib_.BufLoad(file, colour)) {
        lib_.BufGetPacked(colour, imageWidth, imageHeight, memory);
        SwapRedBlue(memory);
    }
    return true;
}

bool vMilAnalysis::SaveFile(uint8_t* memory, const std::string& file, int32_t mode) {
    if (!isSetUp())
        return false;
    if (mode == 1) {
        PutImage(memory, kGrey0);
        return lib_.BufSave(file, grey0);
    }
    SwapRedBlue(memory);
    lib_.BufPutPacked(colour, imageWidth, imageHeight, memory);
    SwapRedBlue(memory);
    return lib_.BufSave(file, colour);
}

uint8_t* vMilAnalysis::ScaleForDisplay(double z, bool resize, int32_t kind) {
    if (!isSetUp())
        return nullptr;
    if (resize) {
        lib_.Resize(grey0, display, z, z);
        if (kind == kReduced)
            lib_.Resize(display, reduced, 1.0 / reduction, 1.0 / reduction);
    }
    return GetBufferAddr(kind);
}

} // namespace station
