#include "imaging/acquisition.h"
#include "imaging/scale.h"
#include "imaging/v_process.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <map>

using namespace station;

namespace {

class Ini : public SettingsLookup {
  public:
    std::map<std::string, std::string> values;
    fakes::Journal* journal = nullptr; // notes every key looked up
    std::string Get(const char* section, const char* key) override {
        if (journal)
            journal->Note(std::string("Setting ") + section + "/" + key);
        auto it = values.find(std::string(section) + "/" + key);
        return it == values.end() ? kSettingMissing : it->second;
    }
};

struct Device : ::testing::Test {
    fakes::Journal journal;
    fakes::Capture capture{journal};
    fakes::Io io{journal};
    fakes::Imaging imaging{journal};
    fakes::Pages pages;
    Ini ini;
    std::unique_ptr<vProcess> device;

    vProcess& Make() {
        device = std::make_unique<vProcess>(DevicePorts{capture, io, imaging, pages});
        return *device;
    }
    int32_t Start(int32_t& w, int32_t& h) { return Make().Init(ini, w, h); }
};

} // namespace

TEST_F(Device, StartsInOrderAndLearnsTheImageSize) {
    // A camera of a size no default has, not a multiple of 4 either.
    capture.width = 1294;
    capture.height = 967;
    ini.journal = &journal;
    ini.values = {{"Motion/PitchX", "5"}, {"Motion/PulseX", "10000"}};
    int32_t w = 640, h = 480;
    ASSERT_EQ(Start(w, h), 0);
    EXPECT_EQ(w, 1294);
    EXPECT_EQ(h, 967);
    EXPECT_EQ(device->pulsePerMm, 2000.0); // 10000 pulses per 5 mm
    EXPECT_EQ(device->displayObject->mode(), 1);
    EXPECT_EQ(device->card.planeCount(), 0); // monochrome: no frame buffer

    // The order the libraries see: the basic settings, the I/O library, the
    // motion settings, the camera, its size, and only then the imaging
    // library, whose buffers need that size.
    const auto first = [&](const std::string& prefix) {
        for (std::size_t i = 0; i < journal.calls.size(); ++i)
            if (journal.calls[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        return -1;
    };
    const auto last = [&](const std::string& prefix) {
        int at = -1;
        for (std::size_t i = 0; i < journal.calls.size(); ++i)
            if (journal.calls[i].rfind(prefix, 0) == 0)
                at = static_cast<int>(i);
        return at;
    };
    const int basic = last("Setting Basic/"), pinbus = first("PinbusInit"),
              motion = first("Setting Motion/"), camera = first("GrabcardInit"),
              size = first("GrabcardGetImageSize"), application = first("AppAlloc");
    ASSERT_GE(basic, 0);
    ASSERT_GE(motion, 0);
    EXPECT_LT(basic, pinbus);
    EXPECT_LT(pinbus, motion);
    EXPECT_LT(last("Setting Motion/"), camera);
    EXPECT_LT(camera, size);
    EXPECT_LT(size, application);
    EXPECT_LT(size, first("Buf"));

    // The image buffers hold the camera's picture; the display buffer and
    // its reduction keep the view's size.
    const auto bufferAt = [&](int kind) -> const fakes::Imaging::Buffer* {
        const uint8_t* address = device->GetBufferAddr(kind);
        for (const auto& [handle, buffer] : imaging.buffers)
            if (buffer.pixels.data() == address)
                return &buffer;
        return nullptr;
    };
    struct Expected {
        int kind, w, h;
    };
    for (const Expected& e :
         {Expected{0, 1294, 967}, Expected{1, 1294, 967}, Expected{2, 1294, 967},
          Expected{3, 640, 480}, Expected{4, 320, 240}}) {
        const fakes::Imaging::Buffer* b = bufferAt(e.kind);
        ASSERT_NE(b, nullptr) << "kind " << e.kind;
        EXPECT_EQ(b->w, e.w) << "kind " << e.kind;
        EXPECT_EQ(b->h, e.h) << "kind " << e.kind;
        EXPECT_EQ(b->bands, 1) << "kind " << e.kind;
    }
    int colourBuffers = 0;
    for (const auto& [handle, buffer] : imaging.buffers)
        colourBuffers += buffer.bands == 3 && buffer.w == 1294 && buffer.h == 967;
    EXPECT_EQ(colourBuffers, 1);

    // The whole picture, to its last row, goes into the working buffer.
    for (std::size_t i = 0; i < capture.memory.size(); ++i)
        capture.memory[i] = static_cast<uint8_t>(i * 31 + i / 1294);
    ASSERT_EQ(device->PutImage(capture.memory.data(), 0), 0);
    EXPECT_EQ(bufferAt(0)->pixels, capture.memory);
}

TEST_F(Device, TeardownClosesEverythingInOrderAndFreesEveryHandle) {
    int32_t w = 640, h = 480;
    ASSERT_EQ(Start(w, h), 0);
    journal.calls.clear();
    device.reset();
    EXPECT_TRUE(imaging.objects.empty());
    ASSERT_GE(journal.calls.size(), 4u);
    EXPECT_EQ(journal.calls[0], "GrabcardClose");
    EXPECT_EQ(journal.calls[1], "PinbusClose");
    EXPECT_EQ(journal.calls[2], "BlobFree");
    EXPECT_EQ(journal.calls.back(), "AppFree");
}

TEST_F(Device, AStationOpenedAgainGetsAnApplicationAgain) {
    int32_t w = 640, h = 480;
    ASSERT_EQ(Start(w, h), 0);
    EXPECT_NE(device->application, 0);
    device.reset();
    ASSERT_EQ(Start(w, h), 0);
    EXPECT_NE(device->application, 0);
    // While one device holds it, a second one allocates none of its own.
    vProcess second(DevicePorts{capture, io, imaging, pages});
    second.Init(ini, w, h);
    EXPECT_EQ(second.application, 0);
}

TEST_F(Device, ColourCameraGetsOnePlaneAndSavesWithoutChangingTheImage) {
    capture.colour = true;
    int32_t w = 640, h = 480;
    ASSERT_EQ(Start(w, h), 0);
    EXPECT_EQ(device->displayObject->mode(), 3);
    EXPECT_EQ(device->card.planeCount(), 1);
    ASSERT_EQ(pages.live.size(), 1u);
    EXPECT_EQ(pages.live.begin()->second, 640u * 480u);
    for (std::size_t i = 0; i < capture.memory.size(); ++i)
        capture.memory[i] = static_cast<uint8_t>(i * 7);
    const auto before = capture.memory;
    EXPECT_EQ(device->SaveImage("IMG\\c.tif"), 0);
    EXPECT_EQ(capture.memory, before);
    // The file holds R, G, B where the memory holds B, G, R.
    const auto& saved = imaging.disk.at("IMG\\c.tif").pixels;
    EXPECT_EQ(saved[0], before[2]);
    EXPECT_EQ(saved[2], before[0]);
    std::fill(capture.memory.begin(), capture.memory.end(), 0);
    EXPECT_EQ(device->LoadImage("IMG\\c.tif"), 0);
    EXPECT_EQ(capture.memory, before);
    device.reset();
    EXPECT_TRUE(pages.live.empty());
}

TEST_F(Device, ImagesBeforeSetupOrFromMissingFiles) {
    Make();
    journal.calls.clear();
    EXPECT_EQ(device->LoadImage("x.tif"), 1);
    EXPECT_EQ(device->SaveImage("x.tif"), 1);
    EXPECT_EQ(device->PutImage(capture.memory.data(), 0), 1);
    EXPECT_EQ(device->GetBufferAddr(0), nullptr);
    EXPECT_EQ(device->ScaleForDisplay(0.5, true, 3), nullptr);
    EXPECT_EQ(journal.Count("Buf") + journal.Count("Resize"), 0u);

    int32_t w = 640, h = 480;
    device->Init(ini, w, h);
    capture.memory.assign(capture.memory.size(), 99);
    EXPECT_EQ(device->LoadImage("missing.tif"), 0);
    EXPECT_EQ(capture.memory[0], 99); // untouched
    EXPECT_EQ(device->PutImage(capture.memory.data(), 5), 0);
    EXPECT_EQ(journal.Count("BufPut"), 0u);
    EXPECT_EQ(device->GetBufferAddr(5), nullptr);
    EXPECT_NE(device->GetBufferAddr(4), nullptr);
}

TEST_F(Device, TallPicturesAreReducedForTheDisplay) {
    capture.width = 1280;
    capture.height = 1024;
    int32_t w = 640, h = 480;
    ASSERT_EQ(Start(w, h), 0);
    journal.calls.clear();
    EXPECT_NE(device->ScaleForDisplay(0.46875, true, 4), nullptr);
    ASSERT_EQ(journal.Count("Resize"), 2u);
    EXPECT_EQ(journal.calls[0], "Resize " + std::to_string(device->grey0) + "->" +
                                    std::to_string(device->display) + " 0.468750 0.468750");
    EXPECT_EQ(journal.calls[1], "Resize " + std::to_string(device->display) + "->" +
                                    std::to_string(device->reduced) + " 0.500000 0.500000");
}

TEST_F(Device, CameraWithoutAPictureSizeFailsTheStart) {
    for (auto [cw, ch] : {std::pair{0, 480}, std::pair{640, -1}}) {
        capture.width = cw;
        capture.height = ch;
        int32_t w = 640, h = 480;
        EXPECT_NE(Start(w, h), 0);
        EXPECT_FALSE(device->isSetUp());
    }
}

TEST_F(Device, GrabSwitchDecidesWhetherAMeasuredPictureIsFresh) {
    int32_t w = 640, h = 480;
    ASSERT_EQ(Start(w, h), 0);
    GrabSwitch grab;
    journal.calls.clear();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GrabAndGetImage(*device, grab), capture.memory.data());
    EXPECT_EQ(journal.Count("GrabcardGrab"), 3u);
    EXPECT_EQ(journal.Count("GrabcardGetImageAddr fresh=1"), 3u);
    EXPECT_EQ(journal.Count("GrabcardGetImageAddr fresh=0"), 3u); // the grab's own
    grab.set(false);
    journal.calls.clear();
    GrabAndGetImage(*device, grab);
    EXPECT_EQ(journal.calls, std::vector<std::string>{"GrabcardGetImageAddr fresh=0"});
}

TEST(Scale, SettingOverridesCalibration) {
    ParameterSet p;
    p.station.CalMmPerPixel = 0.02;
    p.station.DiameterMmPerPixel = {0.001, 0.002, 0.003, 0.004};
    PublishParameters(&p);
    CurrentSettings().MmPerPixel = 0.01;
    EXPECT_DOUBLE_EQ(PixelToMm(250), 2.5);
    EXPECT_DOUBLE_EQ(PixelToMmAt(250, 3), 2.5);
    EXPECT_DOUBLE_EQ(MmToPixel(2.5), 250);
    CurrentSettings().MmPerPixel = -1;
    EXPECT_DOUBLE_EQ(PixelToMm(250), 5.0);
    EXPECT_DOUBLE_EQ(PixelToMmAt(250, 3), 1.0);
    EXPECT_DOUBLE_EQ(MmToPixel(5.0), 250);
    p.station.CalMmPerPixel = 1e-7;
    EXPECT_EQ(MmToPixel(5.0), 0.0);
    CurrentSettings().MmPerPixel = 0;
    EXPECT_EQ(PixelToMm(250), 0.0);
    EXPECT_EQ(MmToPixel(5.0), 0.0); // no division by zero
    PublishParameters(nullptr);
    CurrentSettings() = Settings{};
}

TEST(Scale, DiameterClasses) {
    EXPECT_EQ(DiameterClass(0.5), 0);
    EXPECT_EQ(DiameterClass(0.5001), 1);
    EXPECT_EQ(DiameterClass(1.0), 1);
    EXPECT_EQ(DiameterClass(1.0001), 2);
    EXPECT_EQ(DiameterClass(1.5001), 3);
    EXPECT_EQ(DiameterClass(3.175), 3);
}

TEST(DisplayObject, HeaderForGreyAndColour) {
    vCtrlDispImg grey(false);
    EXPECT_EQ(grey.mode(), 1);
    ASSERT_EQ(grey.headerSize(), 1068);
    EXPECT_EQ(grey.header()[0], 40);
    EXPECT_EQ(grey.header()[14], 8);
    for (int i : {0, 1, 127, 255})
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(grey.header()[40 + 4 * i + c], i);
    grey.SetSize(640, 480);
    int32_t height;
    std::memcpy(&height, grey.header() + 8, 4);
    EXPECT_EQ(height, -480);
    vCtrlDispImg colour(true);
    EXPECT_EQ(colour.mode(), 3);
    EXPECT_EQ(colour.headerSize(), 44);
    EXPECT_EQ(colour.header()[14], 24);
}
