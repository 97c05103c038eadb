// Saving the image memory: the device answers whether the imaging library
// wrote the file, for grey and colour cameras, and a refused save leaves the
// image memory as it was.
#include "imaging/v_process.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace station;

namespace {

class NoSettings : public SettingsLookup {
  public:
    std::string Get(const char*, const char*) override { return kSettingMissing; }
};

struct ImageSave : ::testing::Test {
    fakes::Journal journal;
    fakes::Capture capture{journal};
    fakes::Io io{journal};
    fakes::Imaging imaging{journal};
    fakes::Pages pages;
    NoSettings settings;
};

TEST_F(ImageSave, TheDeviceAnswersWhetherTheFileWasWritten) {
    struct Case {
        bool colour;
        bool refused;
        int32_t result;
    };
    const Case cases[] = {
        {false, false, 0},
        {false, true, vManager::kImageNotWritten},
        {true, false, 0},
        {true, true, vManager::kImageNotWritten},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.colour ? "colour" : "grey") + (c.refused ? ", refused" : ""));
        capture.colour = c.colour;
        imaging.disk.clear();
        imaging.refuseSaves = c.refused;
        vProcess device(DevicePorts{capture, io, imaging, pages});
        int32_t w = 640, h = 480;
        ASSERT_EQ(device.Init(settings, w, h), 0);
        for (std::size_t i = 0; i < capture.memory.size(); ++i)
            capture.memory[i] = static_cast<uint8_t>(i * 13 + i / 640);
        const auto before = capture.memory;
        EXPECT_EQ(device.SaveImage("IMG\\x.tif"), c.result);
        EXPECT_EQ(imaging.disk.count("IMG\\x.tif"), c.refused ? 0u : 1u);
        EXPECT_EQ(capture.memory, before) << "the image memory is as it was";
    }
}

TEST_F(ImageSave, WithoutTheImagingLibraryNothingIsSavedAndNothingIsWrong) {
    vProcess device(DevicePorts{capture, io, imaging, pages});
    imaging.refuseSaves = true;
    EXPECT_EQ(device.SaveImage("IMG\\x.tif"), 1) << "not set up: not a failed write";
    EXPECT_EQ(journal.Count("BufSave"), 0u);
}

} // namespace
