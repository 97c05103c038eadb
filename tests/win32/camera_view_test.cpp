// The camera view as the operator sees it: the picture one to one, reduced
// or stretched, the reference lines at their columns and colours, the
// blinking frame counter, the measured line, the mark switch, and the
// second pass's white bands at the ring marker column the lines set.
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "contracts/grabcard.h"
#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

using namespace testing_station;

namespace {

constexpr COLORREF kGreyLine = RGB(128, 128, 128), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 128, 0),
                   kYellow = RGB(255, 255, 0);

const char* kIni = "[Basic]\r\nInitGrab=1\r\nMmPerPixel=-1\r\ndShowModal=1\r\nGrabNumber=1\r\n"
                   "[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";

struct Lines {
    int32_t rangeX1 = 100, rangeX2 = 200;
    double edgeM = 12.5, edgeN = 300;
};

std::string Recipe(const Lines& l) {
    station::ParameterSet p;
    p.SetDefaults(1);
    p.station.EdgePosM = l.edgeM;
    p.station.EdgePosN = l.edgeN;
    p.station.CalMmPerPixel = 0.02;
    p.station.StdRingPosition = 4.0;
    p.station.StdDiameter = 1.0;
    p.station.DiameterMmPerPixel = {0.02, 0.02, 0.02, 0.02};
    p.material.RingPosition = 4.0; // equal to StdRingPosition: no offset
    p.material.OffsetX = 0.0;
    p.material.DiameterRangeX1 = l.rangeX1;
    p.material.DiameterRangeX2 = l.rangeX2;
    const std::vector<uint8_t> bytes = station::EncodeParameterFile(p);
    return std::string(bytes.begin(), bytes.end());
}

uint8_t Ramp(int x, int) {
    return static_cast<uint8_t>(x & 255);
}
uint8_t Fifths(int x, int) {
    return static_cast<uint8_t>((x / 5) & 255);
}
uint8_t Diagonal(int x, int y) {
    return static_cast<uint8_t>((x + y) & 255);
}
COLORREF ColourRamp(int x, int y) {
    return RGB(x / 5, y / 4, 77);
}

COLORREF Grey(int v) {
    return RGB(v, v, v);
}

class ViewFixture : public ::testing::Test {
  protected:
    // A station whose camera plays back one picture file (or the drill
    // scene when picture is null).
    void Open(const Lines& lines, int w, int h, bool colour, void (*picture)(const std::string&)) {
        copy_.WriteFile("Kest.INI", kIni);
        copy_.WriteFile("Kest.cfg", Recipe(lines));
        std::string camera = "[Camera]\r\nWidth=" + std::to_string(w) +
                             "\r\nHeight=" + std::to_string(h) +
                             "\r\nColour=" + (colour ? "1" : "0") + "\r\n";
        if (picture) {
            CreateDirectoryA(copy_.Path("VIEW").c_str(), nullptr);
            picture(copy_.Path("VIEW\\picture.bmp"));
            camera += "Source=folder\r\nFolder=VIEW\r\n";
        } else {
            camera += "Source=scene\r\n[Scene]\r\nNoiseSigma=0\r\n";
        }
        copy_.WriteFile("Grabcard.ini", camera);
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
        view_ = FindComponent(form_, "Image2");
        ASSERT_NE(view_, nullptr);
        camera_ = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
        login_ = GetModuleHandleA(copy_.Path("Login.dll").c_str());
        ASSERT_NE(camera_, nullptr);
        ASSERT_NE(login_, nullptr);
        Pump(200);
    }
    void TearDown() override {
        if (station_)
            station_->Close();
    }
    template <class F> F Export(HMODULE m, const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    }
    // One more frame from the camera, painted by the grab-finished call.
    Picture NextPaint() {
        const int before = FramesMade();
        PressKey(form_, VK_F4);
        // Painted once the camera has made the frame and the view has no
        // part left to paint.
        EXPECT_TRUE(WaitUntil(
            [&] { return FramesMade() > before && !GetUpdateRect(view_, nullptr, FALSE); }, 3000))
            << "no frame painted";
        return PrintClient(view_);
    }
    int FramesMade() { return Export<GrabcardSimFrameCountFn>(camera_, "GrabcardSimFrameCount")(); }
    bool MarkOn() { return Export<int32_t(__stdcall*)()>(login_, "LoginGetDrawMarkSwitch")() != 0; }
    void ToggleMark() { Export<void(__stdcall*)()>(login_, "LoginDrawMarkSwitch")(); }
    uint8_t* ImageMemory() {
        return Export<GrabcardGetImageAddrFn>(camera_, "GrabcardGetImageAddr")(0, 0, 0);
    }
    RECT Bounds(const char* name) { return BoundsInParent(FindComponent(form_, name)); }

    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr, view_ = nullptr;
    HMODULE camera_ = nullptr, login_ = nullptr;
};

class CameraView : public ViewFixture {};
class ViewSizes : public ViewFixture {};

void WriteRamp(const std::string& path) {
    WriteGreyBmp(path, 640, 480, &Ramp);
}

} // namespace

TEST_F(CameraView, GreyPictureOneToOneWithTheFourLinesAtTheirColumns) {
    Open(Lines{}, 640, 480, false, &WriteRamp);
    const Picture pic = NextPaint();
    ASSERT_EQ(pic.width, 640);
    ASSERT_EQ(pic.height, 480);
    // Grey value i is shown as the grey (i, i, i), row after row.
    const std::set<int> lineColumns = {13, 100, 200, 300};
    int wrong = 0;
    for (int y = 60; y < 480; y += 7)
        for (int x = 0; x < 640; ++x)
            if (!lineColumns.count(x))
                wrong += pic.At(x, y) != Grey(x & 255);
    EXPECT_EQ(wrong, 0);
    // EdgePosM 12.5 at zoom 1 rounds to 13; EdgePosN 300 with the ring at
    // its standard position and no offset puts the ring line at 300.
    struct Line {
        int x;
        COLORREF colour;
    };
    for (const Line& l :
         {Line{100, kGreyLine}, Line{200, kBlue}, Line{13, kGreen}, Line{300, kYellow}})
        for (int y : {0, 100, 240, 478}) // from row 0 to the last row, which LineTo leaves out
            EXPECT_EQ(pic.At(l.x, y), l.colour) << "column " << l.x << " row " << y;
    EXPECT_EQ(pic.At(12, 240), Grey(12));
    EXPECT_EQ(pic.At(14, 240), Grey(14));
    // The value texts beside the green and the yellow line are blue.
    int blueText = 0;
    for (int y = 2; y < 16; ++y)
        for (int x = 305; x < 345; ++x)
            blueText += GetBValue(pic.At(x, y)) > GetRValue(pic.At(x, y)) + 60 &&
                        GetBValue(pic.At(x, y)) > GetGValue(pic.At(x, y)) + 60;
    EXPECT_GT(blueText, 10);
}

TEST_F(CameraView, CounterBlinksFivePaintsEachAndTheMarkHidesTheLines) {
    Open(Lines{}, 640, 480, false, &WriteRamp);
    // The counter's red pixels, paint after paint.
    std::vector<std::vector<bool>> marks;
    for (int i = 0; i < 16; ++i) {
        const Picture pic = NextPaint();
        std::vector<bool> red;
        for (int y = 5; y < 45; ++y)
            for (int x = 10; x < 40; ++x)
                red.push_back(pic.At(x, y) == RGB(255, 0, 0));
        marks.push_back(red);
    }
    // Two shapes, "0" and "1", each for runs of exactly five paints.
    std::vector<int> runs{1};
    for (std::size_t i = 1; i < marks.size(); ++i) {
        if (marks[i] == marks[i - 1])
            ++runs.back();
        else
            runs.push_back(1);
    }
    ASSERT_GE(runs.size(), 3u);
    for (std::size_t i = 1; i + 1 < runs.size(); ++i)
        EXPECT_EQ(runs[i], 5) << "run " << i;
    EXPECT_LE(runs.front(), 5);
    std::set<std::vector<bool>> shapes(marks.begin(), marks.end());
    EXPECT_EQ(shapes.size(), 2u);

    // With the mark switched on no reference line is drawn; the counter
    // still is.
    ASSERT_FALSE(MarkOn());
    ToggleMark();
    const Picture marked = NextPaint();
    for (int x : {100, 200, 300})
        EXPECT_EQ(marked.At(x, 400), Grey(x & 255)) << x;
    EXPECT_EQ(marked.At(13, 400), Grey(13));
    ToggleMark();
    EXPECT_EQ(NextPaint().At(300, 400), kYellow);
}

TEST_F(CameraView, SecondPassBandsStartAtTheRingMarkerColumnAndTheMeasuredLineIsBlue) {
    // The drill scene of Grabcard.ini (tip at 80, axis at row 240, body
    // 1 mm at 0.02 mm per pixel); the ring line at 300, the bands' right end
    // at 400.
    Lines lines;
    lines.rangeX2 = 400;
    Open(lines, 640, 480, false, nullptr);
    // Inspection A: its measured line, blue, goes from the tip's top edge
    // to the bottom edge.
    station_->Function(0);
    const Picture pic = PrintClient(view_);
    int blue = 0;
    for (int y = 40; y < 480; ++y)
        for (int x = 20; x < 390; ++x)
            blue += pic.At(x, y) == kBlue;
    EXPECT_GT(blue, 20);

    // Inspection B searches a second time over white bands along both
    // edges, from the ring marker column on.  It measures a copy of the
    // picture: the view shows the bands, the camera's memory keeps its
    // picture as the camera made it.
    station_->Function(1);
    const uint8_t* image = ImageMemory();
    ASSERT_NE(image, nullptr);
    const Picture shown = PrintClient(view_);
    const auto whiteFrom301To399 = [](auto at) {
        for (int x = 301; x < 400; ++x)
            if (!at(x))
                return false;
        return true;
    };
    int bandRows = 0, memoryBandRows = 0;
    for (int y = 0; y < 480; ++y) {
        const uint8_t* row = image + static_cast<std::size_t>(y) * 640;
        if (whiteFrom301To399([&](int x) { return shown.At(x, y) == RGB(255, 255, 255); }) &&
            shown.At(298, y) != RGB(255, 255, 255))
            ++bandRows;
        if (whiteFrom301To399([&](int x) { return row[x] == 255; }) && row[298] != 255)
            ++memoryBandRows;
    }
    EXPECT_EQ(memoryBandRows, 0) << "the measurement wrote into the camera's memory";
    EXPECT_GE(bandRows, 20) << "two bands along the edges, from column 300";
}

TEST_F(ViewSizes, TallGreyPicturesAreReducedTallColourOnesStretched) {
    // 1280 x 1024 grey: zoom min(0.5, 0.46875); the imaging library reduces
    // the picture, the view stays 640 x 480.
    Lines aside{620, 630, 0, 0};
    Open(aside, 1280, 1024, false,
         [](const std::string& p) { WriteGreyBmp(p, 1280, 1024, &Fifths); });
    Picture pic = NextPaint();
    ASSERT_EQ(pic.width, 640);
    ASSERT_EQ(pic.height, 480);
    EXPECT_EQ(Bounds("MainPanel").bottom - Bounds("MainPanel").top, 490);
    EXPECT_EQ(Bounds("Panel1").right, 650);
    EXPECT_EQ(Bounds("DownPanel").top, 492);
    EXPECT_EQ(Bounds("DownPanel").bottom, Bounds("Panel1").bottom);
    EXPECT_EQ(Bounds("Image2").left, 5);
    EXPECT_EQ(Bounds("Image2").right, 645);
    int edges[2] = {};
    SendMessageA(FindComponent(form_, "StatusBar1"), SB_GETPARTS, 2,
                 reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[0], 650);
    for (int x = 10; x < 590; x += 13) {
        const double want = x / 0.46875 / 5.0;
        const int got = GetRValue(pic.At(x, 300));
        EXPECT_LE(std::abs(got - static_cast<int>(want)), 2) << "column " << x;
        EXPECT_EQ(GetRValue(pic.At(x, 300)), GetBValue(pic.At(x, 300)));
    }
    station_->Close();

    // 1280 x 1024 colour: stretched to 600 x 480, rows and columns dropped.
    Open(aside, 1280, 1024, true,
         [](const std::string& p) { WriteColourBmp(p, 1280, 1024, &ColourRamp); });
    pic = NextPaint();
    for (int y = 50; y < 480; y += 37)
        for (int x = 10; x < 600; x += 41) {
            const COLORREF c = pic.At(x, y);
            const double sx = x * 1280.0 / 600.0, sy = y * 1024.0 / 480.0;
            EXPECT_LE(std::abs(GetRValue(c) - sx / 5.0), 1.5) << x << "," << y;
            EXPECT_LE(std::abs(GetGValue(c) - sy / 4.0), 1.5) << x << "," << y;
            EXPECT_EQ(GetBValue(c), 77);
        }
    station_->Close();

    // 640 x 490: shown unscaled; the last ten rows lie outside the view.
    Open(aside, 640, 490, false,
         [](const std::string& p) { WriteGreyBmp(p, 640, 490, &Diagonal); });
    pic = NextPaint();
    ASSERT_EQ(pic.height, 480);
    EXPECT_EQ(Bounds("MainPanel").bottom - Bounds("MainPanel").top, 490);
    for (int y : {100, 300, 479})
        for (int x : {50, 333, 600})
            EXPECT_EQ(pic.At(x, y), Grey((x + y) & 255)) << x << "," << y;
}
