// Fakes of the station's ports that record what the station asked of them.
#pragma once

#include "station/ports.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fakes {

class Files : public station::FileStore {
  public:
    std::map<std::string, std::vector<uint8_t>> files;
    std::set<std::string> unwritableDirs; // Replace fails for files below
    bool failWrites = false;              // every Replace fails part-way

    std::optional<std::vector<uint8_t>> Read(const std::string& path, std::size_t max) override {
        auto it = files.find(path);
        if (it == files.end())
            return std::nullopt;
        std::vector<uint8_t> v = it->second;
        if (v.size() > max)
            v.resize(max);
        return v;
    }
    bool Replace(const std::string& path, const std::vector<uint8_t>& bytes) override {
        for (const auto& dir : unwritableDirs)
            if (path.rfind(dir + "\\", 0) == 0)
                return false;
        if (failWrites)
            return false; // the old content stays, as with a real replace
        files[path] = bytes;
        return true;
    }
    bool Exists(const std::string& path) override { return files.count(path) != 0; }
    bool Append(const std::string& path, const std::string& bytes) override {
        for (const auto& dir : unwritableDirs)
            if (path.rfind(dir + "\\", 0) == 0)
                return false;
        auto& f = files[path];
        f.insert(f.end(), bytes.begin(), bytes.end());
        return true;
    }
};

class Prompts : public station::PromptsPort {
  public:
    struct Shown {
        std::string text, caption;
        Kind kind;
    };
    std::vector<Shown> shown;
    void Message(const std::string& text, const std::string& caption, Kind kind) override {
        shown.push_back({text, caption, kind});
    }
};

// Every call as a line of text, in order.
class Journal {
  public:
    std::vector<std::string> calls;
    void Note(const std::string& s) { calls.push_back(s); }
    std::size_t Count(const std::string& prefix) const {
        std::size_t n = 0;
        for (const auto& c : calls)
            n += c.rfind(prefix, 0) == 0;
        return n;
    }
};

class Capture : public station::CapturePort {
  public:
    explicit Capture(Journal& j) : j_(j) {}
    int32_t width = 640, height = 480;
    bool colour = false;
    std::vector<uint8_t> memory;
    bool Init() override {
        j_.Note("GrabcardInit");
        memory.assign(static_cast<std::size_t>(width > 0 ? width : 1) * (height > 0 ? height : 1) *
                          (colour ? 3 : 1),
                      200);
        return colour;
    }
    void Close() override { j_.Note("GrabcardClose"); }
    void GetImageSize(int32_t* w, int32_t* h) override {
        j_.Note("GrabcardGetImageSize");
        *w = width;
        *h = height;
    }
    uint8_t* GetImageAddr(bool fresh) override {
        j_.Note(fresh ? "GrabcardGetImageAddr fresh=1" : "GrabcardGetImageAddr fresh=0");
        return memory.data();
    }
    void Grab() override { j_.Note("GrabcardGrab"); }
    void Live() override { j_.Note("GrabcardLive"); }
    void Stop() override { j_.Note("GrabcardStop"); }
    void RegisterGrabFinished() override { j_.Note("GrabcardSetGrabFinishFun+SetWaitMehod"); }

  private:
    Journal& j_;
};

class Io : public station::IoPort {
  public:
    explicit Io(Journal& j) : j_(j) {}
    void Init() override { j_.Note("PinbusInit"); }
    void Close() override { j_.Note("PinbusClose"); }

  private:
    Journal& j_;
};

class Pages : public station::PageMemory {
  public:
    std::map<void*, std::size_t> live;
    void* Allocate(std::size_t bytes) override {
        void* p = std::calloc(bytes, 1);
        live[p] = bytes;
        return p;
    }
    void Free(void* p) override {
        live.erase(p);
        std::free(p);
    }
};

// An imaging library of plain memory buffers.
class Imaging : public station::ImagingPort {
  public:
    explicit Imaging(Journal& j) : j_(j) {}
    struct Buffer {
        int32_t w, h, bands;
        std::vector<uint8_t> pixels;
    };
    std::map<int32_t, Buffer> buffers;
    std::set<int32_t> objects; // every live handle
    std::map<std::string, Buffer> disk;
    bool refuseSaves = false; // BufSave writes nothing and answers false

    void AppAlloc(int32_t* h) override { *h = New("AppAlloc"); }
    void AppFree(int32_t h) override { Free("AppFree", h); }
    void SystemAlloc(int32_t* h) override { *h = New("SystemAlloc"); }
    void SystemFree(int32_t h) override { Free("SystemFree", h); }
    void BufAllocGrey(int32_t, int32_t w, int32_t h, int32_t* b) override {
        *b = New("BufAllocGrey " + std::to_string(w) + "x" + std::to_string(h));
        buffers[*b] = {w, h, 1, std::vector<uint8_t>(static_cast<std::size_t>(w) * h)};
    }
    void BufAllocColour(int32_t, int32_t w, int32_t h, int32_t* b) override {
        *b = New("BufAllocColour " + std::to_string(w) + "x" + std::to_string(h));
        buffers[*b] = {w, h, 3, std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 3)};
    }
    void BufFree(int32_t b) override {
        buffers.erase(b);
        Free("BufFree", b);
    }
    uint8_t* BufHostAddress(int32_t b) override {
        j_.Note("BufHostAddress");
        return buffers.count(b) ? buffers[b].pixels.data() : nullptr;
    }
    void BufGet(int32_t b, int32_t w, int32_t h, uint8_t* m) override {
        j_.Note("BufGet");
        std::memcpy(m, buffers.at(b).pixels.data(), static_cast<std::size_t>(w) * h);
    }
    void BufPut(int32_t b, int32_t w, int32_t h, const uint8_t* m) override {
        j_.Note("BufPut");
        std::memcpy(buffers.at(b).pixels.data(), m, static_cast<std::size_t>(w) * h);
    }
    void BufGetPacked(int32_t b, int32_t w, int32_t h, uint8_t* m) override {
        j_.Note("BufGetPacked");
        std::memcpy(m, buffers.at(b).pixels.data(), static_cast<std::size_t>(w) * h * 3);
    }
    void BufPutPacked(int32_t b, int32_t w, int32_t h, const uint8_t* m) override {
        j_.Note("BufPutPacked");
        std::memcpy(buffers.at(b).pixels.data(), m, static_cast<std::size_t>(w) * h * 3);
    }
    bool BufLoad(const std::string& file, int32_t b) override {
        j_.Note("BufLoad " + file);
        auto it = disk.find(file);
        if (it == disk.end())
            return false;
        buffers.at(b).pixels = it->second.pixels;
        return true;
    }
    bool BufSave(const std::string& file, int32_t b) override {
        j_.Note("BufSave " + file);
        if (refuseSaves)
            return false;
        disk[file] = buffers.at(b);
        return true;
    }
    void Resize(int32_t s, int32_t d, double fx, double fy) override {
        j_.Note("Resize " + std::to_string(s) + "->" + std::to_string(d) + " " +
                std::to_string(fx) + " " + std::to_string(fy));
    }
    void BlobAllocFeatureList(int32_t, int32_t* h) override { *h = New("BlobAllocFeatureList"); }
    void BlobAllocResult(int32_t, int32_t* h) override { *h = New("BlobAllocResult"); }
    void BlobFree(int32_t h) override { Free("BlobFree", h); }
    void PatternFree(int32_t h) override { Free("PatternFree", h); }

  private:
    int32_t New(const std::string& what) {
        j_.Note(what);
        objects.insert(++next_);
        return next_;
    }
    void Free(const std::string& what, int32_t h) {
        j_.Note(what);
        objects.erase(h);
    }
    Journal& j_;
    int32_t next_ = 0;
};

} // namespace fakes

namespace fakes {

// A window with one image memory and a record of what the station drew.
class View : public station::PictureSource, public station::StationView {
  public:
    View(int32_t w, int32_t h) : width(w), height(h), image(static_cast<std::size_t>(w) * h, 200) {}
    int32_t width, height;
    std::vector<uint8_t> image;
    int grabs = 0, refreshes = 0, statistics = 0;
    std::vector<double> line;
    std::vector<std::vector<std::string>> okRows, ngRows;
    uint8_t* GrabAndGetImage() override {
        ++grabs;
        return image.data();
    }
    void DrawMeasuredLine(double x1, double y1, double x2, double y2) override {
        line = {x1, y1, x2, y2};
    }
    // The picture the last measurement measured, as the view showed it.
    std::vector<uint8_t> measured;
    void ShowMeasuredPicture(const uint8_t* picture) override {
        measured.assign(picture, picture + image.size());
    }
    uint8_t Measured(int x, int y) const {
        return measured.at(static_cast<std::size_t>(y) * width + x);
    }
    void RefreshView() override { ++refreshes; }
    void RefreshStatistics() override { ++statistics; }
    void InsertOkRow(const std::vector<std::string>& t) override { okRows.push_back(t); }
    void InsertNgRow(const std::vector<std::string>& t) override { ngRows.push_back(t); }
    uint8_t At(int x, int y) const { return image[static_cast<std::size_t>(y) * width + x]; }
};

// An edge gauge that answers from a script, one answer per search, and
// keeps a copy of every picture it was shown.
class Gauge : public station::EdgeGaugePort {
  public:
    struct Answer {
        int32_t result;
        double x1, y1, x2, y2;
    };
    std::vector<Answer> script; // the last answer repeats
    int calls = 0;
    int32_t DetectHeight(uint8_t*, double* x1, double* y1, double* x2, double* y2) override {
        const Answer& a = script.at(std::min<std::size_t>(calls, script.size() - 1));
        ++calls;
        *x1 = a.x1;
        *y1 = a.y1;
        *x2 = a.x2;
        *y2 = a.y2;
        return a.result;
    }
};

class Clock : public station::ClockPort {
  public:
    LocalTime now{2015, 6, 1, 13, 45, 7};
    int waitedMs = 0;
    void WaitMs(int ms) override { waitedMs += ms; }
    LocalTime Now() override { return now; }
};

} // namespace fakes
