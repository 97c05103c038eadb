// Login.dll's cross-line mark through its exports: drawn into a memory
// bitmap and read back pixel by pixel, its switch and settings file, its
// set-up window worked by an operator thread; the answers of a library with
// no operator accounts; and the Chinese faces of the Wine prefix.
#include "contracts/login.h"
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;
namespace fs = std::filesystem;

namespace {

constexpr COLORREF kBackground = RGB(40, 40, 40);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A private folder holding a copy of Login.dll, so that its settings file
// ("Login.ini" beside it) belongs to this test alone.
class LoginDll {
  public:
    LoginDll() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        dir_ = std::string(temp) + "login-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
        fs::create_directories(dir_);
        fs::copy_file(BuiltStationFolder() + "\\Login.dll", dir_ + "\\Login.dll",
                      fs::copy_options::overwrite_existing);
    }
    ~LoginDll() {
        Unload();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string Ini() const { return dir_ + "\\Login.ini"; }
    void WriteIni(const std::string& bytes) const {
        std::ofstream out(Ini(), std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string ReadIni() const {
        std::ifstream in(Ini(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool IniExists() const { return fs::exists(Ini()); }
    std::string Key(const char* key) const {
        char text[64] = {};
        GetPrivateProfileStringA("Mark", key, "<none>", text, sizeof text, Ini().c_str());
        return text;
    }

    // Loads (again): a fresh load reads the settings file anew.
    bool Load() {
        Unload();
        module_ = LoadLibraryA((dir_ + "\\Login.dll").c_str());
        if (!module_)
            return false;
        Bind("ShowLoginForm", api.ShowLoginForm);
        Bind("LoginDrawMark", api.DrawMark);
        Bind("LoginGetDrawMarkSwitch", api.GetDrawMarkSwitch);
        Bind("LoginDrawMarkSwitch", api.DrawMarkSwitch);
        Bind("LoginDrawMarkSetup", api.DrawMarkSetup);
        Bind("LoginScreenKeyboard", api.ScreenKeyboard);
        return api.ShowLoginForm && api.DrawMark && api.GetDrawMarkSwitch && api.DrawMarkSwitch &&
               api.DrawMarkSetup && api.ScreenKeyboard;
    }
    void Unload() {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
        api = LoginApi{};
    }

    LoginApi api;

  private:
    template <class F> void Bind(const char* name, F& slot) {
        slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    std::string dir_;
    HMODULE module_ = nullptr;
};

// A top-down 32-bit memory bitmap selected into a memory DC.
class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill = kBackground) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint32_t*>(bits);
        old_ = SelectObject(dc_, bitmap_);
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool ok() const { return bits_ != nullptr; }

    void Fill(COLORREF c) {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i)
            bits_[i] = Packed(c);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool Is(int x, int y, COLORREF c) const { return At(x, y) == c; }
    // Pixels in [x0, x1) x [y0, y1) that differ from c.
    int CountOther(int x0, int y0, int x1, int y1, COLORREF c) const {
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width_, x1); ++x)
                n += At(x, y) != c;
        return n;
    }
    int CountOther(COLORREF c) const { return CountOther(0, 0, width_, height_, c); }
    std::vector<uint32_t> Pixels() const {
        GdiFlush();
        return std::vector<uint32_t>(bits_, bits_ + width_ * height_);
    }

    // Writes the picture as a 24-bit BMP (for looking at it).
    void SaveBmp(const std::string& path) const {
        GdiFlush();
        const int stride = (width_ * 3 + 3) & ~3;
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = width_;
        ih.biHeight = -height_;
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        ih.biCompression = BI_RGB;
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + stride * height_;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
        out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
        std::vector<char> row(stride, 0);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const uint32_t p = bits_[y * width_ + x];
                row[3 * x] = static_cast<char>(p & 0xFF);
                row[3 * x + 1] = static_cast<char>((p >> 8) & 0xFF);
                row[3 * x + 2] = static_cast<char>((p >> 16) & 0xFF);
            }
            out.write(row.data(), stride);
        }
    }

  private:
    static uint32_t Packed(COLORREF c) {
        return (static_cast<uint32_t>(GetRValue(c)) << 16) |
               (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
    }
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

std::string MarkIni(const std::string& lines) {
    return "[Mark]\r\n" + lines;
}

// Length of the coloured run above the horizontal line at column x, starting
// beyond the line itself (rows above cy - 1).
int RunAbove(const Canvas& c, int x, int cy, COLORREF colour) {
    int n = 0;
    for (int y = cy - 2; y >= 0 && c.Is(x, y, colour); --y)
        ++n;
    return n;
}

// The same left of the vertical line at row y.
int RunLeft(const Canvas& c, int y, int cx, COLORREF colour) {
    int n = 0;
    for (int x = cx - 2; x >= 0 && c.Is(x, y, colour); --x)
        ++n;
    return n;
}

} // namespace

TEST(LoginMark, SwitchedOffDrawsNothing) {
    LoginDll dll;
    ASSERT_TRUE(dll.Load());
    EXPECT_EQ(dll.api.GetDrawMarkSwitch(), 0) << "off without a settings file";
    Canvas c(320, 240);
    ASSERT_TRUE(c.ok());
    for (double scale : {0.01, 0.1, kNaN})
        dll.api.DrawMark(c.dc(), 320, 240, 160, 120, scale);
    EXPECT_EQ(c.CountOther(kBackground), 0);
    EXPECT_FALSE(dll.IniExists()) << "drawing writes no file";
}

TEST(LoginMark, CrossLineInTheSetColourAndWidth) {
    struct Case {
        const char* colourName;
        COLORREF colour;
        int width;
    };
    const Case cases[] = {
        {"Red", kRed, 1},       {"Green", RGB(0, 255, 0), 2},  {"Blue", kBlue, 3},
        {"Yellow", kYellow, 1}, {"Cyan", RGB(0, 255, 255), 2}, {"White", RGB(255, 255, 255), 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.colourName) + " width " + std::to_string(k.width));
        LoginDll dll;
        dll.WriteIni(MarkIni(std::string("Switch=1\r\nColour=") + k.colourName +
                             "\r\nWidth=" + std::to_string(k.width) + "\r\nTicks=1\r\n"));
        ASSERT_TRUE(dll.Load());
        EXPECT_NE(dll.api.GetDrawMarkSwitch(), 0);
        const int w = 301, h = 201, cx = 137, cy = 91;
        Canvas c(w, h);
        dll.api.DrawMark(c.dc(), w, h, cx, cy, kNaN); // no scale: the cross alone
        for (int x = 0; x < w; ++x)
            ASSERT_TRUE(c.Is(x, cy, k.colour)) << "row at x " << x;
        for (int y = 0; y < h; ++y)
            ASSERT_TRUE(c.Is(cx, y, k.colour)) << "column at y " << y;
        // The line is as thick as set, centred on the centre row.
        int rows = 0;
        for (int y = cy - 4; y <= cy + 4; ++y)
            rows += c.Is(40, y, k.colour);
        EXPECT_EQ(rows, k.width);
        int columns = 0;
        for (int x = cx - 4; x <= cx + 4; ++x)
            columns += c.Is(x, 30, k.colour);
        EXPECT_EQ(columns, k.width);
        // Nothing but the cross: the four quadrants away from it are untouched.
        EXPECT_EQ(c.CountOther(0, 0, cx - 3, cy - 3, kBackground), 0);
        EXPECT_EQ(c.CountOther(cx + 4, cy + 4, w, h, kBackground), 0);
        EXPECT_EQ(c.CountOther(0, cy + 4, cx - 3, h, kBackground), 0);
        EXPECT_EQ(c.CountOther(cx + 4, 0, w, cy - 3, kBackground), 0);
    }
}

TEST(LoginMark, DrawingPutsBackTheCanvasState) {
    LoginDll dll;
    dll.WriteIni(MarkIni("Switch=1\r\nWidth=3\r\nTicks=1\r\n"));
    ASSERT_TRUE(dll.Load());
    Canvas c(400, 300);
    HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ oldPen = SelectObject(c.dc(), pen);
    HGDIOBJ oldBrush = SelectObject(c.dc(), brush);
    HGDIOBJ oldFont = SelectObject(c.dc(), font);
    SetTextColor(c.dc(), RGB(7, 8, 9));
    SetBkMode(c.dc(), OPAQUE);
    SetTextAlign(c.dc(), TA_RIGHT | TA_BOTTOM);
    MoveToEx(c.dc(), 11, 12, nullptr);
    dll.api.DrawMark(c.dc(), 400, 300, 200, 150, 0.01);
    EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_FONT), font);
    EXPECT_EQ(GetTextColor(c.dc()), RGB(7, 8, 9));
    EXPECT_EQ(GetBkMode(c.dc()), OPAQUE);
    EXPECT_EQ(GetTextAlign(c.dc()), static_cast<UINT>(TA_RIGHT | TA_BOTTOM));
    EXPECT_GT(c.CountOther(kBackground), 0) << "the mark was drawn";
    SelectObject(c.dc(), oldPen);
    SelectObject(c.dc(), oldBrush);
    SelectObject(c.dc(), oldFont);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteObject(font);
}

TEST(LoginMark, TicksStandAtTheScaleDistances) {
    // For each scale: where the 0.1 mm, 0.5 mm and 1 mm ticks must stand.
    struct Case {
        double mmPerPixel;
        bool tenthsShown; // false where 0.1 mm would be closer than a few pixels
    };
    const Case cases[] = {{0.01, true}, {0.02, true}, {0.008, true}, {0.05, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE("mm per pixel " + std::to_string(k.mmPerPixel));
        LoginDll dll;
        dll.WriteIni(MarkIni("Switch=1\r\nColour=Yellow\r\nWidth=1\r\nTicks=1\r\n"));
        ASSERT_TRUE(dll.Load());
        const int w = 1000, h = 700, cx = 433, cy = 311;
        Canvas c(w, h);
        dll.api.DrawMark(c.dc(), w, h, cx, cy, k.mmPerPixel);
        const double tenth = 0.1 / k.mmPerPixel;
        int tenthLen = -1, halfLen = -1, wholeLen = -1;
        int wholeTicks = 0;
        for (int axis = 0; axis < 2; ++axis) {
            const int centre = axis == 0 ? cx : cy;
            const int extent = axis == 0 ? w : h;
            for (int n = -200; n <= 200; ++n) {
                if (n == 0)
                    continue;
                const long at = std::lround(centre + n * tenth);
                if (at < 12 || at >= extent - 12)
                    continue;
                const int len =
                    axis == 0 ? RunAbove(c, at, cy, kYellow) : RunLeft(c, at, cx, kYellow);
                // Halfway to the next tick position there is nothing.
                const long between = std::lround(centre + (n + 0.5) * tenth);
                const int gap = axis == 0 ? RunAbove(c, between, cy, kYellow)
                                          : RunLeft(c, between, cx, kYellow);
                if (k.tenthsShown || n % 5 == 0) {
                    EXPECT_EQ(gap, 0) << "axis " << axis << " between " << n << " and " << n + 1;
                }
                int* seen = n % 10 == 0 ? &wholeLen : n % 5 == 0 ? &halfLen : &tenthLen;
                if (n % 10 == 0)
                    ++wholeTicks;
                if (n % 5 != 0 && !k.tenthsShown) {
                    EXPECT_EQ(len, 0) << "axis " << axis << " tick " << n << " is too dense";
                    continue;
                }
                EXPECT_GT(len, 0) << "axis " << axis << " tick " << n;
                if (*seen < 0)
                    *seen = len;
                EXPECT_EQ(len, *seen)
                    << "axis " << axis << " tick " << n << ": ticks of a kind are alike";
            }
        }
        EXPECT_GT(wholeTicks, 4);
        if (k.tenthsShown) {
            EXPECT_LT(tenthLen, halfLen);
        }
        EXPECT_LT(halfLen, wholeLen) << "1 mm ticks are the longest";
        EXPECT_GT(halfLen, 0);
    }
}

TEST(LoginMark, WholeMillimetresCarryLabels) {
    LoginDll dll;
    dll.WriteIni(MarkIni("Switch=1\r\nColour=White\r\nTicks=1\r\n"));
    ASSERT_TRUE(dll.Load());
    const int w = 640, h = 480, cx = 320, cy = 240;
    Canvas c(w, h);
    dll.api.DrawMark(c.dc(), w, h, cx, cy, 0.01); // 1 mm = 100 px
    const COLORREF white = RGB(255, 255, 255);
    // Below each 1 mm tick of the row (the labels' side) there is text; below
    // the 0.5 mm ticks, nothing beyond the tick.
    for (int x : {cx - 300, cx - 200, cx - 100, cx + 100, cx + 200}) {
        EXPECT_GT(c.CountOther(x - 8, cy + 12, x + 9, cy + 40, kBackground), 0) << "label at " << x;
    }
    for (int x : {cx - 250, cx - 150, cx - 50, cx + 50, cx + 150, cx + 250}) {
        EXPECT_EQ(c.CountOther(x - 8, cy + 12, x + 9, cy + 40, kBackground), 0) << "none at " << x;
    }
    // Right of each 1 mm tick of the column.
    for (int y : {cy - 200, cy - 100, cy + 100, cy + 200}) {
        EXPECT_GT(c.CountOther(cx + 12, y - 10, cx + 40, y + 10, kBackground), 0)
            << "label at " << y;
    }
    EXPECT_TRUE(c.Is(cx + 100, cy - 5, white));
}

TEST(LoginMark, WithoutAUsableScaleOnlyTheCross) {
    const double scales[] = {0.0, -0.01, kNaN, kInf, -kInf, 1e-320, 1e300};
    LoginDll dll;
    dll.WriteIni(MarkIni("Switch=1\r\nColour=Red\r\nTicks=1\r\n"));
    ASSERT_TRUE(dll.Load());
    const int w = 400, h = 300, cx = 200, cy = 150;
    for (double scale : scales) {
        SCOPED_TRACE("mm per pixel " + std::to_string(scale));
        Canvas c(w, h);
        dll.api.DrawMark(c.dc(), w, h, cx, cy, scale);
        EXPECT_TRUE(c.Is(5, cy, kRed));
        EXPECT_TRUE(c.Is(cx, 5, kRed));
        // Everything off the two lines is untouched.
        int off = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (x != cx && y != cy)
                    off += !c.Is(x, y, kBackground);
        EXPECT_EQ(off, 0);
    }
    // A usable scale with ticks switched off in the settings: the cross alone.
    LoginDll noTicks;
    noTicks.WriteIni(MarkIni("Switch=1\r\nColour=Red\r\nTicks=0\r\n"));
    ASSERT_TRUE(noTicks.Load());
    Canvas c(w, h);
    noTicks.api.DrawMark(c.dc(), w, h, cx, cy, 0.01);
    EXPECT_EQ(c.CountOther(0, 0, cx, cy, kBackground), 0);
    EXPECT_EQ(RunAbove(c, cx + 100, cy, kRed), 0);
}

TEST(LoginMark, OddGeometryNeitherCrashesNorSpills) {
    LoginDll dll;
    dll.WriteIni(MarkIni("Switch=1\r\nTicks=1\r\n"));
    ASSERT_TRUE(dll.Load());
    Canvas c(200, 100);
    // Centre far outside the picture: its lines and ticks fall outside.
    dll.api.DrawMark(c.dc(), 200, 100, -500, -500, 0.01);
    dll.api.DrawMark(c.dc(), 200, 100, INT32_MAX, INT32_MIN, 0.01);
    dll.api.DrawMark(c.dc(), 200, 100, INT32_MIN, INT32_MAX, 1e-9);
    EXPECT_EQ(c.CountOther(kBackground), 0);
    // Empty and negative sizes draw nothing; a null canvas is refused.
    dll.api.DrawMark(c.dc(), 0, 100, 50, 50, 0.01);
    dll.api.DrawMark(c.dc(), 200, -1, 50, 50, 0.01);
    dll.api.DrawMark(nullptr, 200, 100, 50, 50, 0.01);
    EXPECT_EQ(c.CountOther(kBackground), 0);
    // A size far beyond the bitmap is drawn as far as the bitmap goes.
    dll.api.DrawMark(c.dc(), INT32_MAX, INT32_MAX, 100, 50, 0.001);
    EXPECT_TRUE(c.Is(0, 50, kRed));
    EXPECT_TRUE(c.Is(199, 50, kRed));
    EXPECT_TRUE(c.Is(100, 99, kRed));
}

TEST(LoginMark, ManyFramesLeakNoGdiObjects) {
    LoginDll dll;
    dll.WriteIni(MarkIni("Switch=1\r\nWidth=2\r\nTicks=1\r\n"));
    ASSERT_TRUE(dll.Load());
    Canvas c(640, 480);
    // The first frame sets up what the system keeps once (stock objects).
    dll.api.DrawMark(c.dc(), 640, 480, 320, 240, 0.01);
    const unsigned high = GdiHighWater();
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 3000; ++i)
        dll.api.DrawMark(c.dc(), 640, 480, 320 + i % 7, 240 - i % 5, 0.01 + 0.001 * (i % 9));
    EXPECT_LE(GdiHighWater(), high + 16) << "GDI objects leak";
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before != 0) { // the count exists on Windows; Wine answers 0
        EXPECT_EQ(after, before);
    }
}

TEST(LoginMark, SwitchTogglesAndIsKept) {
    LoginDll dll;
    ASSERT_TRUE(dll.Load());
    ASSERT_EQ(dll.api.GetDrawMarkSwitch(), 0);
    dll.api.DrawMarkSwitch();
    EXPECT_NE(dll.api.GetDrawMarkSwitch(), 0);
    ASSERT_TRUE(dll.IniExists()) << "the switch is kept in the settings file";
    EXPECT_EQ(dll.Key("Switch"), "1");
    // On: the mark is drawn now.
    Canvas c(100, 100);
    dll.api.DrawMark(c.dc(), 100, 100, 50, 50, kNaN);
    EXPECT_TRUE(c.Is(10, 50, kRed)) << "default colour";

    ASSERT_TRUE(dll.Load());
    EXPECT_NE(dll.api.GetDrawMarkSwitch(), 0) << "a fresh load finds it on";
    dll.api.DrawMarkSwitch();
    EXPECT_EQ(dll.api.GetDrawMarkSwitch(), 0);
    EXPECT_EQ(dll.Key("Switch"), "0");
    ASSERT_TRUE(dll.Load());
    EXPECT_EQ(dll.api.GetDrawMarkSwitch(), 0) << "and off again";
    // The other keys were written with their defaults beside the switch.
    EXPECT_EQ(dll.Key("Colour"), "Red");
    EXPECT_EQ(dll.Key("Width"), "1");
    EXPECT_EQ(dll.Key("Ticks"), "1");
}

TEST(LoginMark, ConcurrentTogglesAreNotLost) {
    // Threads toggle together; an odd total leaves the switch flipped, and
    // the file agrees with the library afterwards.
    for (int extra : {0, 1}) {
        SCOPED_TRACE("extra toggles " + std::to_string(extra));
        LoginDll dll;
        ASSERT_TRUE(dll.Load());
        const int32_t before = dll.api.GetDrawMarkSwitch();
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 40; ++i)
                    dll.api.DrawMarkSwitch();
            });
        for (int i = 0; i < extra; ++i)
            dll.api.DrawMarkSwitch();
        for (std::thread& t : threads)
            t.join();
        const bool on = dll.api.GetDrawMarkSwitch() != 0;
        EXPECT_EQ(on, (before != 0) != (extra % 2 == 1));
        EXPECT_EQ(dll.Key("Switch"), on ? "1" : "0");
        ASSERT_TRUE(dll.Load());
        EXPECT_EQ(dll.api.GetDrawMarkSwitch() != 0, on);
    }
}

TEST(LoginMark, DamagedSettingsGiveDefaultsOrNearestValues) {
    std::string garbage;
    for (int i = 0; i < 600; ++i)
        garbage.push_back(static_cast<char>((i * 131 + 7) % 256));
    struct Case {
        const char* name;
        std::string file;
        bool on;
        COLORREF colour;
        int width;
        bool ticks;
    };
    const Case cases[] = {
        {"binary bytes", garbage, false, kRed, 1, true},
        {"empty file", "", false, kRed, 1, true},
        {"no section", "Switch=1\r\nColour=Blue\r\n", false, kRed, 1, true},
        {"unknown words", MarkIni("Switch=1\r\nColour=purple\r\nWidth=wide\r\nTicks=maybe\r\n"),
         true, kRed, 1, true},
        {"width too large", MarkIni("Switch=1\r\nColour=blue\r\nWidth=99\r\nTicks=0\r\n"), true,
         kBlue, 3, false},
        {"width negative", MarkIni("Switch=1\r\nColour= YELLOW \r\nWidth=-7\r\n"), true, kYellow, 1,
         true},
        {"huge numbers", MarkIni("Switch=99999999999999999999\r\nWidth=99999999999999999999\r\n"),
         true, kRed, 3, true},
        {"trailing junk", MarkIni("Switch=1x\r\nWidth=2mm\r\n"), false, kRed, 1, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        LoginDll dll;
        dll.WriteIni(k.file);
        ASSERT_TRUE(dll.Load());
        EXPECT_EQ(dll.api.GetDrawMarkSwitch() != 0, k.on);
        if (!k.on)
            dll.api.DrawMarkSwitch(); // to see the rest of the settings
        ASSERT_NE(dll.api.GetDrawMarkSwitch(), 0);
        const int w = 400, h = 300, cx = 200, cy = 150;
        Canvas c(w, h);
        dll.api.DrawMark(c.dc(), w, h, cx, cy, 0.01);
        EXPECT_TRUE(c.Is(cx + 5, cy, k.colour));
        int rows = 0;
        for (int y = cy - 4; y <= cy + 4; ++y)
            rows += c.Is(cx + 5, y, k.colour); // between two ticks
        EXPECT_EQ(rows, k.width);
        EXPECT_EQ(RunAbove(c, cx + 100, cy, k.colour) > 0, k.ticks);
    }
}

namespace {

// The operator at the set-up window: waits for it, notes its caption and
// whether its owner is disabled, clicks the given buttons, then presses the
// given key or command.
struct SetupOperator {
    std::vector<int> clicks; // control identifiers
    enum Close { Ok, Cancel, Enter, Escape, CloseBox } close = Cancel;
    HWND owner = nullptr;

    std::string caption;
    bool found = false;
    bool ownerDisabled = false;
    std::vector<bool> checkedAfterClicks;

    std::thread Start() {
        return std::thread([this] {
            HWND w = nullptr;
            for (int i = 0; i < 250 && !w; ++i) {
                Sleep(20);
                w = FindWindowA("LoginMarkSetup", nullptr);
            }
            if (!w)
                return;
            found = true;
            Sleep(50);
            char text[128] = {};
            GetWindowTextA(w, text, sizeof text);
            caption = text;
            ownerDisabled = owner && !IsWindowEnabled(owner);
            for (int id : clicks) {
                SendMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
                checkedAfterClicks.push_back(SendMessageA(GetDlgItem(w, id), BM_GETCHECK, 0, 0) ==
                                             BST_CHECKED);
            }
            switch (close) {
            case Ok:
                PostMessageA(w, WM_COMMAND, IDOK, 0);
                break;
            case Cancel:
                PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
                break;
            case Enter:
                PostMessageA(w, WM_KEYDOWN, VK_RETURN, 0);
                break;
            case Escape:
                PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
                break;
            case CloseBox:
                PostMessageA(w, WM_CLOSE, 0, 0);
                break;
            }
        });
    }
};

// A plain window of the test, active while the set-up runs over it.
class OwnerWindow {
  public:
    OwnerWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LoginMarkTestOwner";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                               10, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
        SetActiveWindow(hwnd);
        Pump(30);
    }
    ~OwnerWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
};

constexpr int kColourYellow = 200 + 3; // the radio buttons in the order Red, Green, Blue, Yellow
constexpr int kColourBlue = 200 + 2;
constexpr int kWidth2 = 220 + 1;
constexpr int kTicks = 230;

} // namespace

TEST(LoginMark, SetupCancelChangesNothing) {
    for (auto close : {SetupOperator::Cancel, SetupOperator::Escape, SetupOperator::CloseBox}) {
        SCOPED_TRACE("close " + std::to_string(close));
        LoginDll dll;
        const std::string file = MarkIni("Switch=1\r\nColour=Red\r\nWidth=1\r\nTicks=1\r\n");
        dll.WriteIni(file);
        ASSERT_TRUE(dll.Load());
        OwnerWindow owner;
        SetupOperator op;
        op.owner = owner.hwnd;
        op.clicks = {kColourBlue, kWidth2, kTicks};
        op.close = close;
        std::thread t = op.Start();
        dll.api.DrawMarkSetup("十字線");
        t.join();
        ASSERT_TRUE(op.found) << "the set-up window opened";
        EXPECT_EQ(op.caption, "十字線");
        EXPECT_TRUE(op.ownerDisabled) << "the caller's window is disabled while it is open";
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd)) << "and enabled again after";
        EXPECT_EQ(FindWindowA("LoginMarkSetup", nullptr), nullptr) << "the window is gone";
        EXPECT_EQ(dll.ReadIni(), file) << "the file is untouched";
        Canvas c(200, 200);
        dll.api.DrawMark(c.dc(), 200, 200, 100, 100, 0.01);
        EXPECT_TRUE(c.Is(105, 100, kRed));
        EXPECT_FALSE(c.Is(105, 101, kRed)) << "width still 1";
        EXPECT_GT(RunAbove(c, 110, 100, kRed), 0) << "ticks still on";
    }
}

TEST(LoginMark, SetupOkWritesTheChoice) {
    for (auto close : {SetupOperator::Ok, SetupOperator::Enter}) {
        SCOPED_TRACE("close " + std::to_string(close));
        LoginDll dll;
        dll.WriteIni(MarkIni("Switch=1\r\nColour=Red\r\nWidth=1\r\nTicks=1\r\n"));
        ASSERT_TRUE(dll.Load());
        OwnerWindow owner;
        SetupOperator op;
        op.owner = owner.hwnd;
        op.clicks = {kColourYellow, kWidth2, kTicks};
        op.close = close;
        std::thread t = op.Start();
        dll.api.DrawMarkSetup(nullptr);
        t.join();
        ASSERT_TRUE(op.found);
        EXPECT_EQ(op.caption, "") << "no caption given, none shown";
        EXPECT_TRUE(op.ownerDisabled);
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
        ASSERT_EQ(op.checkedAfterClicks.size(), 3u);
        EXPECT_TRUE(op.checkedAfterClicks[0]);
        EXPECT_TRUE(op.checkedAfterClicks[1]);
        EXPECT_FALSE(op.checkedAfterClicks[2]) << "the tick box was on and is clicked off";
        EXPECT_EQ(dll.Key("Colour"), "Yellow");
        EXPECT_EQ(dll.Key("Width"), "2");
        EXPECT_EQ(dll.Key("Ticks"), "0");
        EXPECT_EQ(dll.Key("Switch"), "1") << "the switch is kept as it was";
        // The library draws with the new settings at once...
        Canvas c(200, 200);
        dll.api.DrawMark(c.dc(), 200, 200, 100, 100, 0.01);
        EXPECT_TRUE(c.Is(50, 100, kYellow));
        EXPECT_EQ(RunAbove(c, 110, 100, kYellow), 0) << "ticks off";
        // ...and a fresh load reads them from the file.
        ASSERT_TRUE(dll.Load());
        Canvas d(200, 200);
        dll.api.DrawMark(d.dc(), 200, 200, 100, 100, 0.01);
        EXPECT_EQ(d.Pixels(), c.Pixels());
    }
}

namespace {

// The operator at the library's message boxes, on a thread of its own: each
// one that comes is read and answered with OK, until Stop.
class BoxAnswerer {
  public:
    BoxAnswerer()
        : thread_([this] {
              while (!stop_) {
                  const HWND found = VisibleOwnWindow("#32770");
                  if (!found) {
                      Sleep(20);
                      continue;
                  }
                  char caption[128] = {}, text[1024] = {};
                  GetWindowTextA(found, caption, sizeof caption);
                  GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
                  {
                      std::lock_guard<std::mutex> g(mutex_);
                      boxes_.push_back({caption, text});
                  }
                  PostMessageA(found, WM_COMMAND, IDOK, 0);
                  for (int i = 0; i < 250 && IsWindow(found); ++i)
                      Sleep(20);
              }
          }) {}
    ~BoxAnswerer() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    struct Box {
        std::string caption, text;
    };
    std::vector<Box> Boxes() {
        std::lock_guard<std::mutex> g(mutex_);
        return boxes_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::thread thread_;
};

HANDLE& HeldFile() {
    static HANDLE held = INVALID_HANDLE_VALUE;
    return held;
}

// The settings file made unwritable, and what it then holds.
struct Unwritable {
    const char* name;
    std::string holds; // the file's bytes once it is writable again
    std::function<void(const LoginDll&)> make;
    std::function<void(const LoginDll&)> undo;
};

const Unwritable kUnwritable[] = {
    // Root under Wine writes to a read-only file; a file that another
    // program holds open without sharing is refused on every system.
    {"a file held open by another program",
     MarkIni("Switch=0\r\nColour=Red\r\nWidth=1\r\nTicks=1\r\n"),
     [](const LoginDll& dll) {
         dll.WriteIni(MarkIni("Switch=0\r\nColour=Red\r\nWidth=1\r\nTicks=1\r\n"));
         HeldFile() = CreateFileA(dll.Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
         EXPECT_NE(HeldFile(), INVALID_HANDLE_VALUE);
     },
     [](const LoginDll&) {
         CloseHandle(HeldFile());
         HeldFile() = INVALID_HANDLE_VALUE;
     }},
    {"a folder in the file's place", "",
     [](const LoginDll& dll) { CreateDirectoryA(dll.Ini().c_str(), nullptr); },
     [](const LoginDll& dll) { RemoveDirectoryA(dll.Ini().c_str()); }},
};

// The one message box of a refused write: the library's caption, the file named.
void ExpectOneWriteMessage(BoxAnswerer& answerer, const LoginDll& dll) {
    answerer.Stop();
    const auto boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << "the operator is told, once";
    EXPECT_EQ(boxes[0].caption, "登入 Login");
    EXPECT_NE(boxes[0].text.find("could not be written"), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(dll.Ini()), std::string::npos) << boxes[0].text;
}

} // namespace

TEST(LoginMark, ARefusedSwitchIsToldAndLeavesTheMarkAsItWas) {
    for (const Unwritable& u : kUnwritable) {
        SCOPED_TRACE(u.name);
        LoginDll dll;
        u.make(dll);
        ASSERT_TRUE(dll.Load());
        ASSERT_EQ(dll.api.GetDrawMarkSwitch(), 0);
        BoxAnswerer answerer;
        dll.api.DrawMarkSwitch();
        ExpectOneWriteMessage(answerer, dll);
        EXPECT_EQ(dll.api.GetDrawMarkSwitch(), 0) << "the switch stays off";
        Canvas c(100, 100);
        dll.api.DrawMark(c.dc(), 100, 100, 50, 50, kNaN);
        EXPECT_EQ(c.CountOther(kBackground), 0) << "and nothing is drawn";
        u.undo(dll);
        EXPECT_EQ(dll.ReadIni(), u.holds) << "the file holds what it held";
        // Writable again: the next switch is taken and kept.
        dll.api.DrawMarkSwitch();
        EXPECT_NE(dll.api.GetDrawMarkSwitch(), 0);
        EXPECT_EQ(dll.Key("Switch"), "1");
    }
}

TEST(LoginMark, ARefusedSetupIsToldAndLeavesTheMarkAsItWas) {
    for (const Unwritable& u : kUnwritable) {
        SCOPED_TRACE(u.name);
        LoginDll dll;
        u.make(dll);
        ASSERT_TRUE(dll.Load());
        OwnerWindow owner;
        SetupOperator op;
        op.owner = owner.hwnd;
        op.clicks = {kColourYellow, kWidth2, kTicks};
        op.close = SetupOperator::Ok;
        std::thread t = op.Start();
        BoxAnswerer answerer;
        dll.api.DrawMarkSetup("十字線");
        t.join();
        ASSERT_TRUE(op.found);
        ExpectOneWriteMessage(answerer, dll);
        u.undo(dll);
        EXPECT_EQ(dll.ReadIni(), u.holds) << "the file holds what it held";
        // The library draws with the settings before the set-up: red, one
        // pixel wide, with ticks (the switch is off, so on first).
        dll.api.DrawMarkSwitch();
        ASSERT_NE(dll.api.GetDrawMarkSwitch(), 0);
        Canvas c(200, 200);
        dll.api.DrawMark(c.dc(), 200, 200, 100, 100, 0.01);
        EXPECT_TRUE(c.Is(105, 100, kRed));
        EXPECT_FALSE(c.Is(105, 101, kRed)) << "width still 1";
        EXPECT_GT(RunAbove(c, 110, 100, kRed), 0) << "ticks still on";
        EXPECT_EQ(dll.Key("Colour"), "Red") << "the switch wrote the settings in force";
        EXPECT_EQ(dll.Key("Width"), "1");
    }
}

TEST(LoginMark, PictureForLookingAt) {
    // Not a check of its own: writes the mark as a BMP when asked to (the
    // folder in LOGIN_MARK_PICTURE), for a person to look at.
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("LOGIN_MARK_PICTURE", folder, sizeof folder))
        GTEST_SKIP() << "LOGIN_MARK_PICTURE not set";
    LoginDll dll;
    dll.WriteIni(MarkIni("Switch=1\r\nColour=Red\r\nWidth=1\r\nTicks=1\r\n"));
    ASSERT_TRUE(dll.Load());
    Canvas c(640, 480);
    dll.api.DrawMark(c.dc(), 640, 480, 320, 240, 0.01);
    c.SaveBmp(std::string(folder) + "\\mark.bmp");
    EXPECT_GT(c.CountOther(kBackground), 0);
}

namespace {

// The pixels of one character drawn in a face (black on white).
std::vector<uint32_t> Glyph(const char* face, const char* text, std::string* realFace = nullptr,
                            TEXTMETRICA* metrics = nullptr, bool* hasGlyph = nullptr) {
    Canvas c(64, 64, RGB(255, 255, 255));
    HFONT font =
        CreateFontA(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, CHINESEBIG5_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ old = SelectObject(c.dc(), font);
    if (realFace) {
        char name[LF_FACESIZE] = {};
        GetTextFaceA(c.dc(), sizeof name, name);
        *realFace = name;
    }
    if (metrics)
        GetTextMetricsA(c.dc(), metrics);
    if (hasGlyph) {
        wchar_t wide[4] = {};
        WORD index = 0xFFFF;
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 4);
        *hasGlyph = GetGlyphIndicesW(c.dc(), wide, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
                    index != 0xFFFF;
    }
    SetTextColor(c.dc(), RGB(0, 0, 0));
    SetBkMode(c.dc(), TRANSPARENT);
    TextOutA(c.dc(), 8, 8, text, static_cast<int>(std::strlen(text)));
    std::vector<uint32_t> pixels = c.Pixels();
    SelectObject(c.dc(), old);
    DeleteObject(font);
    return pixels;
}

int Inked(const std::vector<uint32_t>& pixels) {
    int n = 0;
    for (uint32_t p : pixels)
        n += (p & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

} // namespace

TEST(LoginMark, ChineseFacesOfTheFormsAreSubstituted) {
    // The literals are code page 950 bytes, as the forms pass them.
    const char* xin = "新";
    const std::vector<uint32_t> ming = Glyph("AR PL UMing TW", xin);
    const std::vector<uint32_t> kai = Glyph("AR PL UKai TW", xin);
    ASSERT_GT(Inked(ming), 40) << "the Ming face draws the character";
    ASSERT_GT(Inked(kai), 40);
    ASSERT_NE(ming, kai) << "Ming and Kai differ";
    std::string face;
    TEXTMETRICA tm{};
    bool hasGlyph = false;
    const std::vector<uint32_t> pming = Glyph("新細明體", xin, &face, &tm, &hasGlyph);
    EXPECT_EQ(tm.tmCharSet, CHINESEBIG5_CHARSET) << face;
    EXPECT_TRUE(hasGlyph) << "a real glyph, not the default character's box";
    EXPECT_EQ(pming, ming) << "新細明體 is drawn by the Ming face (reported face: " << face << ")";
    struct Case {
        const char* face;
        const std::vector<uint32_t>* expected;
    };
    const Case cases[] = {{"細明體", &ming},       {"PMingLiU", &ming},
                          {"MingLiU", &ming},      {"標楷體", &kai},
                          {"DFKai-SB", &kai},      {"MS Sans Serif", &ming},
                          {"MS Shell Dlg", &ming}, {"MS Shell Dlg 2", &ming}};
    for (const Case& k : cases) {
        EXPECT_EQ(Glyph(k.face, xin), *k.expected) << k.face;
    }
}
