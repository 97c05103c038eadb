// Imaging.dll: the station's imaging library.  Every object lives in one
// handle table under one lock; a handle is not given out twice.  Freeing a
// system does not free its buffers: each object is freed on its own, and
// ImgObjectCount shows what is still alive.  A buffer's pixels are plain
// memory, as its host address shows: two threads writing one buffer at
// the same time must agree between themselves.
#include "contracts/imaging.h"
#include "common/guarded_entry.h"
#include "libs/imaging/image_files.h"
#include "libs/imaging/resize.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace {

enum class Kind { Application, System, Buffer, BlobFeatureList, BlobResult, Pattern };

// A buffer's pixels: bands planes of width x height bytes (R, G, B).
struct Buffer {
    Buffer(int32_t w, int32_t h, int32_t b)
        : width(w), height(h), bands(b), pixels(static_cast<std::size_t>(w) * h * b, 0) {}
    std::size_t PlaneSize() const { return static_cast<std::size_t>(width) * height; }
    uint8_t* Plane(int32_t band) { return pixels.data() + band * PlaneSize(); }
    imaging::Pixels View() { return {pixels.data(), width, height, bands}; }

    const int32_t width;
    const int32_t height;
    const int32_t bands;
    std::vector<uint8_t> pixels;
};

struct Object {
    Kind kind;
    std::shared_ptr<Buffer> buffer; // for Kind::Buffer
};

// Large enough for any camera; small enough that sizes never overflow.
constexpr int64_t kMaxBufferBytes = int64_t{1} << 28;

class Table {
  public:
    int32_t Add(Object object) {
        std::lock_guard<std::mutex> lock(mutex_);
        do {
            next_ = next_ == INT32_MAX ? 1 : next_ + 1;
        } while (objects_.count(next_));
        objects_.emplace(next_, std::move(object));
        return next_;
    }

    bool Has(int32_t handle, Kind kind) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(handle);
        return it != objects_.end() && it->second.kind == kind;
    }

    // Removes the object when it is of one of the kinds.
    void Remove(int32_t handle, Kind kind, Kind alsoKind) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(handle);
        if (it != objects_.end() && (it->second.kind == kind || it->second.kind == alsoKind))
            objects_.erase(it);
    }
    void Remove(int32_t handle, Kind kind) { Remove(handle, kind, kind); }

    // Shared, so that a buffer freed during a copy or a file read by another
    // thread stays alive until that operation ends.
    std::shared_ptr<Buffer> FindBuffer(int32_t handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(handle);
        return it != objects_.end() ? it->second.buffer : nullptr;
    }

    int32_t Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int32_t>(objects_.size());
    }

  private:
    std::mutex mutex_;
    std::map<int32_t, Object> objects_;
    int32_t next_ = 0;
};

Table& Objects() {
    static Table table;
    return table;
}

// Runs an export's body; nothing is thrown out of the library, and what
// was thrown is logged to the debugger with the export's name.
template <class R, class F> R Guarded(const char* entry, R failed, F body) {
    return common::Guarded(entry, failed, body);
}

int32_t AllocPlain(const char* entry, Kind kind, int32_t* handle) {
    if (!handle)
        return 1;
    *handle = 0;
    return Guarded(entry, 1, [&] {
        *handle = Objects().Add({kind, nullptr});
        return 0;
    });
}

int32_t AllocOnSystem(const char* entry, int32_t system, Kind kind, int32_t* handle) {
    if (!handle)
        return 1;
    *handle = 0;
    return Guarded(entry, 1, [&] {
        if (!Objects().Has(system, Kind::System))
            return 1;
        return AllocPlain(entry, kind, handle);
    });
}

int32_t AllocBuffer(const char* entry, int32_t system, int32_t width, int32_t height, int32_t bands,
                    int32_t* buffer) {
    if (!buffer)
        return 1;
    *buffer = 0;
    return Guarded(entry, 1, [&] {
        if (!Objects().Has(system, Kind::System) || width <= 0 || height <= 0 ||
            int64_t{width} * height * bands > kMaxBufferBytes)
            return 1;
        *buffer = Objects().Add({Kind::Buffer, std::make_shared<Buffer>(width, height, bands)});
        return 0;
    });
}

// The part of a w x h rectangle at (x, y) that lies inside a buffer.
struct Clip {
    int32_t x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Clip ClipTo(const Buffer& b, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int64_t right = std::min<int64_t>(int64_t{x} + w, b.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + h, b.height);
    return {std::max(x, 0), std::max(y, 0), static_cast<int32_t>(std::max<int64_t>(right, 0)),
            static_cast<int32_t>(std::max<int64_t>(bottom, 0))};
}

// Calls copy(pixel index in the buffer, byte offset in the memory) for
// every pixel of the clipped rectangle; the memory has rows of w pixels.
template <class F>
void ForEachPixel(const Buffer& b, int32_t x, int32_t y, int32_t w, int32_t h,
                  std::size_t bytesPerPixel, F copy) {
    const Clip c = ClipTo(b, x, y, w, h);
    if (c.Empty())
        return;
    for (int32_t by = c.y0; by < c.y1; ++by) {
        const std::size_t row = static_cast<std::size_t>(by) * b.width;
        const std::size_t memoryRow = static_cast<std::size_t>(int64_t{by} - y) * w;
        for (int32_t bx = c.x0; bx < c.x1; ++bx)
            copy(row + bx, (memoryRow + static_cast<std::size_t>(int64_t{bx} - x)) * bytesPerPixel);
    }
}

uint8_t GreyOf(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
}

} // namespace

extern "C" {

int32_t __stdcall ImgAppAlloc(int32_t* application) {
    return AllocPlain("Imaging.dll: ImgAppAlloc", Kind::Application, application);
}

void __stdcall ImgAppFree(int32_t application) {
    Guarded("Imaging.dll: ImgAppFree", 0, [&] {
        Objects().Remove(application, Kind::Application);
        return 0;
    });
}

int32_t __stdcall ImgSystemAlloc(int32_t* system) {
    return AllocPlain("Imaging.dll: ImgSystemAlloc", Kind::System, system);
}

void __stdcall ImgSystemFree(int32_t system) {
    Guarded("Imaging.dll: ImgSystemFree", 0, [&] {
        Objects().Remove(system, Kind::System);
        return 0;
    });
}

int32_t __stdcall ImgBufAllocGrey(int32_t system, int32_t width, int32_t height, int32_t* buffer) {
    return AllocBuffer("Imaging.dll: ImgBufAllocGrey", system, width, height, 1, buffer);
}

int32_t __stdcall ImgBufAllocColour(int32_t system, int32_t width, int32_t height,
                                    int32_t* buffer) {
    return AllocBuffer("Imaging.dll: ImgBufAllocColour", system, width, height, 3, buffer);
}

void __stdcall ImgBufFree(int32_t buffer) {
    Guarded("Imaging.dll: ImgBufFree", 0, [&] {
        Objects().Remove(buffer, Kind::Buffer);
        return 0;
    });
}

int32_t __stdcall ImgBufInquire(int32_t buffer, int32_t* width, int32_t* height, int32_t* bands) {
    return Guarded("Imaging.dll: ImgBufInquire", 1, [&] {
        const auto b = Objects().FindBuffer(buffer);
        if (!b)
            return 1;
        if (width)
            *width = b->width;
        if (height)
            *height = b->height;
        if (bands)
            *bands = b->bands;
        return 0;
    });
}

uint8_t* __stdcall ImgBufHostAddress(int32_t buffer) {
    return Guarded<uint8_t*>("Imaging.dll: ImgBufHostAddress", nullptr, [&]() -> uint8_t* {
        const auto b = Objects().FindBuffer(buffer);
        return b ? b->Plane(0) : nullptr;
    });
}

void __stdcall ImgBufGet(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                         uint8_t* memory) {
    Guarded("Imaging.dll: ImgBufGet", 0, [&] {
        const auto b = Objects().FindBuffer(buffer);
        if (b && memory)
            ForEachPixel(*b, x, y, w, h, 1,
                         [&](std::size_t i, std::size_t m) { memory[m] = b->pixels[i]; });
        return 0;
    });
}

void __stdcall ImgBufPut(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                         const uint8_t* memory) {
    Guarded("Imaging.dll: ImgBufPut", 0, [&] {
        const auto b = Objects().FindBuffer(buffer);
        if (b && memory)
            ForEachPixel(*b, x, y, w, h, 1,
                         [&](std::size_t i, std::size_t m) { b->pixels[i] = memory[m]; });
        return 0;
    });
}

void __stdcall ImgBufGetPacked(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                               uint8_t* memory) {
    Guarded("Imaging.dll: ImgBufGetPacked", 0, [&] {
        const auto b = Objects().FindBuffer(buffer);
        if (!b || !memory)
            return 0;
        const uint8_t* red = b->Plane(0);
        const uint8_t* green = b->bands == 3 ? b->Plane(1) : red;
        const uint8_t* blue = b->bands == 3 ? b->Plane(2) : red;
        ForEachPixel(*b, x, y, w, h, 3, [&](std::size_t i, std::size_t m) {
            memory[m] = red[i];
            memory[m + 1] = green[i];
            memory[m + 2] = blue[i];
        });
        return 0;
    });
}

void __stdcall ImgBufPutPacked(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                               const uint8_t* memory) {
    Guarded("Imaging.dll: ImgBufPutPacked", 0, [&] {
        const auto b = Objects().FindBuffer(buffer);
        if (!b || !memory)
            return 0;
        ForEachPixel(*b, x, y, w, h, 3, [&](std::size_t i, std::size_t m) {
            if (b->bands == 3) {
                b->Plane(0)[i] = memory[m];
                b->Plane(1)[i] = memory[m + 1];
                b->Plane(2)[i] = memory[m + 2];
            } else {
                b->pixels[i] = GreyOf(memory[m], memory[m + 1], memory[m + 2]);
            }
        });
        return 0;
    });
}

int32_t __stdcall ImgBufLoad(const char* file, int32_t buffer) {
    return Guarded("Imaging.dll: ImgBufLoad", 1, [&] {
        const auto b = Objects().FindBuffer(buffer);
        return b && imaging::ReadImageFile(file, b->View()) ? 0 : 1;
    });
}

int32_t __stdcall ImgBufSave(const char* file, int32_t buffer) {
    return Guarded("Imaging.dll: ImgBufSave", 1, [&] {
        const auto b = Objects().FindBuffer(buffer);
        return b && imaging::WriteImageFile(file, b->View()) ? 0 : 1;
    });
}

void __stdcall ImgResize(int32_t source, int32_t destination, double factorX, double factorY) {
    Guarded("Imaging.dll: ImgResize", 0, [&] {
        const auto from = Objects().FindBuffer(source);
        const auto to = Objects().FindBuffer(destination);
        if (!from || !to)
            return 0;
        // A grey source feeds every band of a colour destination; a colour
        // source gives a grey destination its first band.
        for (int32_t band = 0; band < to->bands; ++band) {
            const uint8_t* in = from->Plane(std::min(band, from->bands - 1));
            std::vector<uint8_t> copy;
            if (from == to) { // resizing a buffer into itself
                copy.assign(in, in + from->PlaneSize());
                in = copy.data();
            }
            imaging::ResizePlane({in, from->width, from->height},
                                 {to->Plane(band), to->width, to->height}, factorX, factorY);
        }
        return 0;
    });
}

int32_t __stdcall ImgBlobAllocFeatureList(int32_t system, int32_t* handle) {
    return AllocOnSystem("Imaging.dll: ImgBlobAllocFeatureList", system, Kind::BlobFeatureList,
                         handle);
}

int32_t __stdcall ImgBlobAllocResult(int32_t system, int32_t* handle) {
    return AllocOnSystem("Imaging.dll: ImgBlobAllocResult", system, Kind::BlobResult, handle);
}

void __stdcall ImgBlobFree(int32_t handle) {
    Guarded("Imaging.dll: ImgBlobFree", 0, [&] {
        Objects().Remove(handle, Kind::BlobFeatureList, Kind::BlobResult);
        return 0;
    });
}

int32_t __stdcall ImgPatternAlloc(int32_t system, int32_t* handle) {
    return AllocOnSystem("Imaging.dll: ImgPatternAlloc", system, Kind::Pattern, handle);
}

void __stdcall ImgPatternFree(int32_t handle) {
    Guarded("Imaging.dll: ImgPatternFree", 0, [&] {
        Objects().Remove(handle, Kind::Pattern);
        return 0;
    });
}

int32_t __stdcall ImgObjectCount() {
    return Guarded("Imaging.dll: ImgObjectCount", 0, [] { return Objects().Count(); });
}

} // extern "C"

static_assert(std::is_same_v<decltype(&ImgAppAlloc), ImgAppAllocFn>);
static_assert(std::is_same_v<decltype(&ImgAppFree), ImgAppFreeFn>);
static_assert(std::is_same_v<decltype(&ImgSystemAlloc), ImgSystemAllocFn>);
static_assert(std::is_same_v<decltype(&ImgSystemFree), ImgSystemFreeFn>);
static_assert(std::is_same_v<decltype(&ImgBufAllocGrey), ImgBufAllocGreyFn>);
static_assert(std::is_same_v<decltype(&ImgBufAllocColour), ImgBufAllocColourFn>);
static_assert(std::is_same_v<decltype(&ImgBufFree), ImgBufFreeFn>);
static_assert(std::is_same_v<decltype(&ImgBufInquire), ImgBufInquireFn>);
static_assert(std::is_same_v<decltype(&ImgBufHostAddress), ImgBufHostAddressFn>);
static_assert(std::is_same_v<decltype(&ImgBufGet), ImgBufGetFn>);
static_assert(std::is_same_v<decltype(&ImgBufPut), ImgBufPutFn>);
static_assert(std::is_same_v<decltype(&ImgBufGetPacked), ImgBufGetPackedFn>);
static_assert(std::is_same_v<decltype(&ImgBufPutPacked), ImgBufPutPackedFn>);
static_assert(std::is_same_v<decltype(&ImgBufLoad), ImgBufLoadFn>);
static_assert(std::is_same_v<decltype(&ImgBufSave), ImgBufSaveFn>);
static_assert(std::is_same_v<decltype(&ImgResize), ImgResizeFn>);
static_assert(std::is_same_v<decltype(&ImgBlobAllocFeatureList), ImgBlobAllocFeatureListFn>);
static_assert(std::is_same_v<decltype(&ImgBlobAllocResult), ImgBlobAllocResultFn>);
static_assert(std::is_same_v<decltype(&ImgBlobFree), ImgBlobFreeFn>);
static_assert(std::is_same_v<decltype(&ImgPatternAlloc), ImgPatternAllocFn>);
static_assert(std::is_same_v<decltype(&ImgPatternFree), ImgPatternFreeFn>);
static_assert(std::is_same_v<decltype(&ImgObjectCount), ImgObjectCountFn>);
