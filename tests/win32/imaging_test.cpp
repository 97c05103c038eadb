// Imaging.dll through its exports, bound by name as the station binds them:
// buffers and copies, image files (ours and hand-built ones), resizing, the
// handle table.
#include "contracts/imaging.h"
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Random(std::size_t n, unsigned seed) {
    Bytes b(n);
    std::mt19937 gen(seed);
    for (auto& v : b)
        v = static_cast<uint8_t>(gen());
    return b;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint32_t U16(const std::string& f, std::size_t at) {
    return uint8_t(f[at]) | uint8_t(f[at + 1]) << 8;
}
uint32_t U32(const std::string& f, std::size_t at) {
    return U16(f, at) | U16(f, at + 2) << 16;
}
void Put16(std::string& f, uint32_t v) {
    f += char(v & 0xFF);
    f += char(v >> 8 & 0xFF);
}
void Put32(std::string& f, uint32_t v) {
    Put16(f, v & 0xFFFF);
    Put16(f, v >> 16);
}

// The first value of a tag (SHORT or LONG) of a little-endian TIFF.
uint32_t TiffTag(const std::string& f, uint16_t tag) {
    if (f.size() < 8 || f.compare(0, 4, std::string("II*\0", 4)) != 0)
        return ~0u;
    const std::size_t ifd = U32(f, 4);
    const uint32_t n = U16(f, ifd);
    for (uint32_t i = 0; i < n; ++i) {
        const std::size_t e = ifd + 2 + 12 * i;
        if (U16(f, e) != tag)
            continue;
        const bool isShort = U16(f, e + 2) == 3;
        const bool inline_ = U32(f, e + 4) * (isShort ? 2 : 4) <= 4;
        const std::size_t at = inline_ ? e + 8 : U32(f, e + 8);
        return isShort ? U16(f, at) : U32(f, at);
    }
    return ~0u;
}

// A hand-built TIFF, one strip: 8-bit grey (1 sample) or RGB (3 samples).
std::string Tiff(uint32_t w, uint32_t h, uint16_t samples, uint16_t compression,
                 const std::string& strip) {
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const uint32_t entries = 10;
    const uint32_t bitsAt = 8 + 2 + entries * 12 + 4;
    const uint32_t stripAt = bitsAt + 6;
    const Entry e[entries] = {{256, 4, 1, w},
                              {257, 4, 1, h},
                              {258, 3, samples, samples == 1 ? 8u : bitsAt},
                              {259, 3, 1, compression},
                              {262, 3, 1, samples == 1 ? 1u : 2u},
                              {273, 4, 1, stripAt},
                              {277, 3, 1, samples},
                              {278, 4, 1, h},
                              {279, 4, 1, static_cast<uint32_t>(strip.size())},
                              {284, 3, 1, 1}};
    std::string f("II*\0", 4);
    Put32(f, 8);
    Put16(f, entries);
    for (const Entry& x : e) {
        Put16(f, x.tag);
        Put16(f, x.type);
        Put32(f, x.count);
        Put32(f, x.value);
    }
    Put32(f, 0);
    for (int i = 0; i < 3; ++i)
        Put16(f, 8);
    return f + strip;
}

// PackBits, row by row: runs of equal bytes, literals between them.
std::string PackBits(const Bytes& pixels, std::size_t rowBytes) {
    std::string out;
    for (std::size_t row = 0; row < pixels.size(); row += rowBytes) {
        const uint8_t* p = pixels.data() + row;
        std::size_t i = 0;
        while (i < rowBytes) {
            std::size_t run = 1;
            while (i + run < rowBytes && run < 128 && p[i + run] == p[i])
                ++run;
            if (run >= 2) {
                out += char(1 - int(run));
                out += char(p[i]);
                i += run;
                continue;
            }
            std::size_t lit = 1;
            while (i + lit < rowBytes && lit < 128 &&
                   !(i + lit + 1 < rowBytes && p[i + lit] == p[i + lit + 1]))
                ++lit;
            out += char(lit - 1);
            out.append(reinterpret_cast<const char*>(p + i), lit);
            i += lit;
        }
    }
    return out;
}

// A hand-built BMP: 24-bit from packed R, G, B (rows top first), or 8-bit
// with a palette of R, G, B triples.  Rows bottom-up unless topDown.
std::string Bmp(int32_t w, int32_t h, const Bytes& pixels, const Bytes& palette = {},
                bool topDown = false) {
    const bool indexed = !palette.empty();
    const uint32_t bpp = indexed ? 1 : 3;
    const uint32_t stride = (w * bpp + 3) & ~3u;
    const uint32_t colours = static_cast<uint32_t>(palette.size() / 3);
    const uint32_t offset = 14 + 40 + 4 * colours;
    std::string f = "BM";
    Put32(f, offset + stride * h);
    Put32(f, 0);
    Put32(f, offset);
    for (uint32_t v : {40u, uint32_t(w), uint32_t(topDown ? -h : h), 1u | (bpp * 8) << 16, 0u,
                       stride * h, 2835u, 2835u, colours, 0u})
        Put32(f, v);
    for (uint32_t c = 0; c < colours; ++c)
        f += {char(palette[3 * c + 2]), char(palette[3 * c + 1]), char(palette[3 * c]), 0};
    for (int32_t r = 0; r < h; ++r) {
        const int32_t y = topDown ? r : h - 1 - r;
        std::string row(stride, '\0');
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = &pixels[(std::size_t(y) * w + x) * bpp];
            if (indexed) {
                row[x] = char(p[0]);
            } else {
                row[3 * x] = char(p[2]);
                row[3 * x + 1] = char(p[1]);
                row[3 * x + 2] = char(p[0]);
            }
        }
        f += row;
    }
    return f;
}

class Imaging : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryA((BuiltStationFolder() + "\\Imaging.dll").c_str());
        ASSERT_NE(module_, nullptr);
        Bind("ImgAppAlloc", api.AppAlloc);
        Bind("ImgAppFree", api.AppFree);
        Bind("ImgSystemAlloc", api.SystemAlloc);
        Bind("ImgSystemFree", api.SystemFree);
        Bind("ImgBufAllocGrey", api.BufAllocGrey);
        Bind("ImgBufAllocColour", api.BufAllocColour);
        Bind("ImgBufFree", api.BufFree);
        Bind("ImgBufInquire", api.BufInquire);
        Bind("ImgBufHostAddress", api.BufHostAddress);
        Bind("ImgBufGet", api.BufGet);
        Bind("ImgBufPut", api.BufPut);
        Bind("ImgBufGetPacked", api.BufGetPacked);
        Bind("ImgBufPutPacked", api.BufPutPacked);
        Bind("ImgBufLoad", api.BufLoad);
        Bind("ImgBufSave", api.BufSave);
        Bind("ImgResize", api.Resize);
        Bind("ImgBlobAllocFeatureList", api.BlobAllocFeatureList);
        Bind("ImgBlobAllocResult", api.BlobAllocResult);
        Bind("ImgBlobFree", api.BlobFree);
        Bind("ImgPatternAlloc", api.PatternAlloc);
        Bind("ImgPatternFree", api.PatternFree);
        Bind("ImgObjectCount", api.ObjectCount);
        ASSERT_EQ(missing_, std::vector<std::string>{});
        startCount_ = api.ObjectCount();
        ASSERT_EQ(api.SystemAlloc(&system), 0);
        ASSERT_NE(system, 0);

        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "imaging-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(GetTickCount());
        std::filesystem::create_directories(dir_);
    }

    void TearDown() override {
        if (!module_)
            return;
        for (int32_t b : buffers_)
            api.BufFree(b);
        if (api.SystemFree)
            api.SystemFree(system);
        if (api.ObjectCount) {
            EXPECT_EQ(api.ObjectCount(), startCount_) << "objects left alive";
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        FreeLibrary(module_);
    }

    template <class F> void Bind(const char* name, F& slot) {
        slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        if (!slot)
            missing_.push_back(name);
    }

    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

    int32_t Grey(int32_t w, int32_t h) {
        int32_t b = 0;
        EXPECT_EQ(api.BufAllocGrey(system, w, h, &b), 0);
        buffers_.push_back(b);
        return b;
    }
    int32_t Colour(int32_t w, int32_t h) {
        int32_t b = 0;
        EXPECT_EQ(api.BufAllocColour(system, w, h, &b), 0);
        buffers_.push_back(b);
        return b;
    }
    Bytes Get(int32_t b, int32_t w, int32_t h) {
        Bytes m(std::size_t(w) * h);
        api.BufGet(b, 0, 0, w, h, m.data());
        return m;
    }
    Bytes GetPacked(int32_t b, int32_t w, int32_t h) {
        Bytes m(std::size_t(w) * h * 3);
        api.BufGetPacked(b, 0, 0, w, h, m.data());
        return m;
    }
    int32_t GreyWith(int32_t w, int32_t h, const Bytes& pixels) {
        const int32_t b = Grey(w, h);
        api.BufPut(b, 0, 0, w, h, pixels.data());
        return b;
    }
    int32_t ColourWith(int32_t w, int32_t h, const Bytes& packed) {
        const int32_t b = Colour(w, h);
        api.BufPutPacked(b, 0, 0, w, h, packed.data());
        return b;
    }

    ImagingApi api;
    int32_t system = 0;

  private:
    HMODULE module_ = nullptr;
    int32_t startCount_ = 0;
    std::vector<int32_t> buffers_;
    std::vector<std::string> missing_;
    std::string dir_;
};

} // namespace

TEST_F(Imaging, GreyPicturesRoundTripByteForByte) {
    // An odd width: BMP rows are padded to four bytes.
    const Bytes picture = Random(37 * 23, 1);
    const int32_t saved = GreyWith(37, 23, picture);
    for (const char* name : {"grey.tif", "grey.bmp"}) {
        ASSERT_EQ(api.BufSave(Path(name).c_str(), saved), 0) << name;
        const int32_t loaded = Grey(37, 23);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), loaded), 0) << name;
        EXPECT_EQ(Get(loaded, 37, 23), picture) << name;
    }
}

TEST_F(Imaging, CameraSizeGreyPictureRoundTrips) {
    const Bytes picture = Random(1280 * 1024, 2);
    const int32_t saved = GreyWith(1280, 1024, picture);
    ASSERT_EQ(api.BufSave(Path("camera.tif").c_str(), saved), 0);
    const int32_t loaded = Grey(1280, 1024);
    ASSERT_EQ(api.BufLoad(Path("camera.tif").c_str(), loaded), 0);
    EXPECT_EQ(Get(loaded, 1280, 1024), picture);
}

TEST_F(Imaging, ColourPicturesRoundTripByteForByte) {
    const Bytes packed = Random(29 * 17 * 3, 3);
    const int32_t saved = ColourWith(29, 17, packed);
    for (const char* name : {"colour.tif", "colour.bmp"}) {
        ASSERT_EQ(api.BufSave(Path(name).c_str(), saved), 0) << name;
        const int32_t loaded = Colour(29, 17);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), loaded), 0) << name;
        EXPECT_EQ(GetPacked(loaded, 29, 17), packed) << name;
    }
}

TEST_F(Imaging, GreyIsStoredAsEightBitsAPixel) {
    const int32_t b = GreyWith(16, 4, Random(64, 4));
    ASSERT_EQ(api.BufSave(Path("g.tif").c_str(), b), 0);
    const std::string tif = ReadAll(Path("g.tif"));
    EXPECT_EQ(TiffTag(tif, 277), 1u); // samples per pixel
    EXPECT_EQ(TiffTag(tif, 258), 8u); // bits per sample
    EXPECT_EQ(TiffTag(tif, 262), 1u); // black is zero
    EXPECT_EQ(TiffTag(tif, 259), 1u); // uncompressed

    ASSERT_EQ(api.BufSave(Path("g.bmp").c_str(), b), 0);
    const std::string bmp = ReadAll(Path("g.bmp"));
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(U16(bmp, 28), 8u); // bits per pixel, with the palette of greys
    const std::size_t palette = 14 + U32(bmp, 14);
    ASSERT_GE(bmp.size(), palette + 4 * 256);
    for (uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(U32(bmp, palette + 4 * i) & 0xFFFFFF, i * 0x010101u) << i;
}

TEST_F(Imaging, ColourIsStoredAsTwentyFourBitsInTrueOrder) {
    // Pixel (0, 0) red, (1, 0) green, (0, 1) blue, (1, 1) white.
    const Bytes packed = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const int32_t b = ColourWith(2, 2, packed);
    ASSERT_EQ(api.BufSave(Path("c.bmp").c_str(), b), 0);
    const std::string bmp = ReadAll(Path("c.bmp"));
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(U16(bmp, 28), 24u);
    const std::size_t pixels = U32(bmp, 10);
    const bool bottomUp = int32_t(U32(bmp, 22)) > 0;
    const std::size_t top = pixels + (bottomUp ? 8 : 0); // rows of 6 + 2 bytes
    ASSERT_GE(bmp.size(), pixels + 16);
    EXPECT_EQ(bmp.substr(top, 6), std::string("\0\0\xFF\0\xFF\0", 6)); // B, G, R

    ASSERT_EQ(api.BufSave(Path("c.tif").c_str(), b), 0);
    const std::string tif = ReadAll(Path("c.tif"));
    EXPECT_EQ(TiffTag(tif, 277), 3u);
    EXPECT_EQ(TiffTag(tif, 262), 2u); // RGB
    EXPECT_EQ(TiffTag(tif, 259), 1u);
    const std::size_t strip = TiffTag(tif, 273);
    ASSERT_LT(strip, tif.size());
    EXPECT_EQ(tif.substr(strip, 6), std::string(packed.begin(), packed.begin() + 6));
}

TEST_F(Imaging, FormatFollowsTheNameWhenSaving) {
    const int32_t b = GreyWith(4, 4, Random(16, 5));
    const struct {
        const char* name;
        bool bmp;
    } cases[] = {{"a.bmp", true},   {"b.BMP", true}, {"c.tif", false},
                 {"d.tiff", false}, {"e", false},    {"f.bmp.tif", false}};
    for (const auto& c : cases) {
        ASSERT_EQ(api.BufSave(Path(c.name).c_str(), b), 0) << c.name;
        const std::string f = ReadAll(Path(c.name));
        EXPECT_EQ(f.substr(0, 2), c.bmp ? "BM" : "II") << c.name;
    }
}

TEST_F(Imaging, SavingOverAnOlderFileReplacesIt) {
    for (const char* name : {"again.tif", "again.bmp"}) {
        ASSERT_EQ(api.BufSave(Path(name).c_str(), GreyWith(40, 40, Random(1600, 6))), 0);
        const std::size_t before = ReadAll(Path(name)).size();
        const Bytes second = Random(64, 7);
        ASSERT_EQ(api.BufSave(Path(name).c_str(), GreyWith(8, 8, second)), 0);
        EXPECT_LT(ReadAll(Path(name)).size(), before) << name;
        const int32_t loaded = Grey(8, 8);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), loaded), 0);
        EXPECT_EQ(Get(loaded, 8, 8), second) << name;
    }
}

TEST_F(Imaging, LargerPictureFillsTheWholeBufferFromTheTopLeft) {
    const Bytes picture = Random(40 * 30, 9);
    ASSERT_EQ(api.BufSave(Path("large.tif").c_str(), GreyWith(40, 30, picture)), 0);
    const int32_t small = Grey(25, 12);
    ASSERT_EQ(api.BufLoad(Path("large.tif").c_str(), small), 0);
    const Bytes got = Get(small, 25, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(got[y * 25 + x], picture[y * 40 + x]) << x << "," << y;
}

TEST_F(Imaging, SmallerPictureFillsWhatItCoversAndLeavesTheRest) {
    const Bytes picture = Random(20 * 10, 10);
    ASSERT_EQ(api.BufSave(Path("small.bmp").c_str(), GreyWith(20, 10, picture)), 0);
    const int32_t big = GreyWith(37, 23, Bytes(37 * 23, 0xA5));
    ASSERT_EQ(api.BufLoad(Path("small.bmp").c_str(), big), 0);
    const Bytes got = Get(big, 37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(got[y * 37 + x], x < 20 && y < 10 ? picture[y * 20 + x] : 0xA5)
                << x << "," << y;

    // Colour in the same way, every band.
    const Bytes packed = Random(5 * 4 * 3, 11);
    ASSERT_EQ(api.BufSave(Path("small.tif").c_str(), ColourWith(5, 4, packed)), 0);
    const int32_t wide = ColourWith(9, 6, Bytes(9 * 6 * 3, 0x3C));
    ASSERT_EQ(api.BufLoad(Path("small.tif").c_str(), wide), 0);
    const Bytes colour = GetPacked(wide, 9, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(colour[(y * 9 + x) * 3 + c],
                          x < 5 && y < 4 ? packed[(y * 5 + x) * 3 + c] : 0x3C);
}

TEST_F(Imaging, GreyFileIntoColourBufferGivesEqualBands) {
    const Bytes picture = Random(12 * 7, 12);
    ASSERT_EQ(api.BufSave(Path("g.tif").c_str(), GreyWith(12, 7, picture)), 0);
    ASSERT_EQ(api.BufSave(Path("g.bmp").c_str(), GreyWith(12, 7, picture)), 0);
    for (const char* name : {"g.tif", "g.bmp"}) {
        const int32_t c = Colour(12, 7);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), c), 0) << name;
        const Bytes packed = GetPacked(c, 12, 7);
        for (std::size_t i = 0; i < picture.size(); ++i)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(packed[3 * i + k], picture[i]) << name << " pixel " << i;
    }
}

TEST_F(Imaging, ColourFileIntoGreyBufferGivesLuminance) {
    // Greys stay exactly themselves; pure colours take their luminance.
    const Bytes packed = {0,   0, 0, 77, 77,  77, 255, 255, 255, 200, 200, 200,
                          255, 0, 0, 0,  255, 0,  0,   0,   255, 10,  20,  30};
    const int32_t c = ColourWith(4, 2, packed);
    for (const char* name : {"c.tif", "c.bmp"}) {
        ASSERT_EQ(api.BufSave(Path(name).c_str(), c), 0);
        const int32_t g = Grey(4, 2);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), g), 0);
        const Bytes grey = Get(g, 4, 2);
        EXPECT_EQ(Bytes(grey.begin(), grey.begin() + 4), (Bytes{0, 77, 255, 200})) << name;
        EXPECT_NEAR(grey[4], 76, 1) << name;
        EXPECT_NEAR(grey[5], 150, 1) << name;
        EXPECT_NEAR(grey[6], 29, 1) << name;
        EXPECT_NEAR(grey[7], 18, 1) << name;
    }
}

TEST_F(Imaging, ReadsHandBuiltTiffs) {
    // Uncompressed grey, PackBits grey, uncompressed RGB.
    Bytes grey = Random(30 * 6, 13);
    std::fill(grey.begin() + 40, grey.begin() + 110, 0x42); // runs for PackBits
    const std::string plain(grey.begin(), grey.end());
    WriteAll(Path("plain.tif"), Tiff(30, 6, 1, 1, plain));
    WriteAll(Path("packed.tif"), Tiff(30, 6, 1, 32773, PackBits(grey, 30)));
    ASSERT_LT(PackBits(grey, 30).size(), grey.size());
    for (const char* name : {"plain.tif", "packed.tif"}) {
        const int32_t g = Grey(30, 6);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), g), 0) << name;
        EXPECT_EQ(Get(g, 30, 6), grey) << name;
    }

    const Bytes rgb = Random(7 * 5 * 3, 14);
    WriteAll(Path("rgb.tif"), Tiff(7, 5, 3, 1, std::string(rgb.begin(), rgb.end())));
    const int32_t c = Colour(7, 5);
    ASSERT_EQ(api.BufLoad(Path("rgb.tif").c_str(), c), 0);
    EXPECT_EQ(GetPacked(c, 7, 5), rgb);
}

TEST_F(Imaging, ReadsHandBuiltBmps) {
    const Bytes rgb = Random(5 * 3 * 3, 15);
    WriteAll(Path("up.bmp"), Bmp(5, 3, rgb));
    WriteAll(Path("down.bmp"), Bmp(5, 3, rgb, {}, true));
    for (const char* name : {"up.bmp", "down.bmp"}) {
        const int32_t c = Colour(5, 3);
        ASSERT_EQ(api.BufLoad(Path(name).c_str(), c), 0) << name;
        EXPECT_EQ(GetPacked(c, 5, 3), rgb) << name;
    }

    // 8 bits with a palette of colours: looked up, then to grey for a grey buffer.
    const Bytes palette = {255, 0, 0, 0, 0, 255, 90, 90, 90, 1, 2, 3};
    const Bytes indices = {0, 1, 2, 3, 2, 1};
    WriteAll(Path("palette.bmp"), Bmp(3, 2, indices, palette));
    const int32_t c = Colour(3, 2);
    ASSERT_EQ(api.BufLoad(Path("palette.bmp").c_str(), c), 0);
    Bytes expected;
    for (uint8_t i : indices)
        expected.insert(expected.end(), palette.begin() + 3 * i, palette.begin() + 3 * i + 3);
    EXPECT_EQ(GetPacked(c, 3, 2), expected);
    const int32_t g = Grey(3, 2);
    ASSERT_EQ(api.BufLoad(Path("palette.bmp").c_str(), g), 0);
    const Bytes grey = Get(g, 3, 2);
    EXPECT_NEAR(grey[0], 76, 1);
    EXPECT_EQ(grey[2], 90);
    EXPECT_EQ(grey[4], 90);
}

TEST_F(Imaging, UnreadableFileLeavesTheBufferUntouched) {
    const Bytes before = Random(16 * 16, 16);
    const int32_t g = GreyWith(16, 16, before);
    WriteAll(Path("text.tif"), "not a picture at all");
    WriteAll(Path("empty.bmp"), "");
    ASSERT_EQ(api.BufSave(Path("whole.tif").c_str(), GreyWith(16, 16, Random(256, 17))), 0);
    const std::string whole = ReadAll(Path("whole.tif"));
    WriteAll(Path("cut.tif"), whole.substr(0, whole.size() / 2));
    // Sound headers, pixels cut short.
    const Bytes plain = Random(16 * 16, 20);
    const std::string strip(plain.begin(), plain.end());
    WriteAll(Path("short.tif"), Tiff(16, 16, 1, 1, strip).substr(0, 160));
    const std::string packed = Tiff(16, 16, 1, 32773, PackBits(plain, 16));
    WriteAll(Path("short-packed.tif"), packed.substr(0, packed.size() - 40));
    Bytes greys;
    for (int i = 0; i < 256; ++i)
        greys.insert(greys.end(), 3, uint8_t(i));
    const std::string bmp = Bmp(16, 16, plain, greys);
    WriteAll(Path("short.bmp"), bmp.substr(0, bmp.size() - 40));
    for (const char* name : {"missing.tif", "missing.bmp", "text.tif", "empty.bmp", "cut.tif",
                             "short.tif", "short-packed.tif", "short.bmp"}) {
        EXPECT_NE(api.BufLoad(Path(name).c_str(), g), 0) << name;
        EXPECT_EQ(Get(g, 16, 16), before) << name;
    }
    EXPECT_NE(api.BufLoad(nullptr, g), 0);
    EXPECT_NE(api.BufLoad("", g), 0);
    EXPECT_EQ(Get(g, 16, 16), before);
    EXPECT_NE(api.BufLoad(Path("whole.tif").c_str(), 0), 0);
}

TEST_F(Imaging, FailedSaveLeavesNoFile) {
    const int32_t g = GreyWith(4, 4, Random(16, 18));
    EXPECT_NE(api.BufSave(Path("no-such-folder\\x.tif").c_str(), g), 0);
    EXPECT_NE(api.BufSave(Path("nothing.tif").c_str(), 0), 0);
    EXPECT_NE(api.BufSave(Path("nothing.tif").c_str(), 0x7654321), 0);
    EXPECT_FALSE(Exists(Path("nothing.tif")));
    EXPECT_NE(api.BufSave(nullptr, g), 0);
}

TEST_F(Imaging, ZeroAndUnknownHandlesAreHarmless) {
    const int32_t count = api.ObjectCount();
    Bytes memory(64, 0x11);
    for (int32_t h : {0, 0x7654321, -5}) {
        int32_t w = 99, hh = 99, bands = 99, out = 99;
        EXPECT_NE(api.BufInquire(h, &w, &hh, &bands), 0);
        EXPECT_EQ(api.BufHostAddress(h), nullptr);
        api.BufGet(h, 0, 0, 4, 4, memory.data());
        api.BufGetPacked(h, 0, 0, 4, 4, memory.data());
        api.BufPut(h, 0, 0, 4, 4, memory.data());
        api.BufPutPacked(h, 0, 0, 4, 4, memory.data());
        api.Resize(h, h, 0.5, 0.5);
        EXPECT_NE(api.BufAllocGrey(h, 8, 8, &out), 0);
        EXPECT_EQ(out, 0);
        out = 99;
        EXPECT_NE(api.BufAllocColour(h, 8, 8, &out), 0);
        EXPECT_EQ(out, 0);
        EXPECT_NE(api.BlobAllocFeatureList(h, &out), 0);
        EXPECT_NE(api.BlobAllocResult(h, &out), 0);
        EXPECT_NE(api.PatternAlloc(h, &out), 0);
        EXPECT_EQ(out, 0);
        api.BufFree(h);
        api.BlobFree(h);
        api.PatternFree(h);
        api.SystemFree(h);
        api.AppFree(h);
    }
    EXPECT_EQ(memory, Bytes(64, 0x11));
    EXPECT_NE(api.AppAlloc(nullptr), 0);
    EXPECT_NE(api.SystemAlloc(nullptr), 0);
    EXPECT_NE(api.BufAllocGrey(system, 8, 8, nullptr), 0);
    EXPECT_NE(api.BlobAllocResult(system, nullptr), 0);
    int32_t out = 99;
    EXPECT_NE(api.BufAllocGrey(system, 0, 8, &out), 0);
    EXPECT_NE(api.BufAllocGrey(system, 8, -1, &out), 0);
    EXPECT_NE(api.BufAllocColour(system, 100000, 100000, &out), 0);
    EXPECT_EQ(out, 0);
    // A real buffer with an unknown partner.
    const int32_t g = GreyWith(4, 4, Bytes(16, 7));
    api.Resize(g, 0, 1.0, 1.0);
    api.Resize(0, g, 1.0, 1.0);
    EXPECT_EQ(Get(g, 4, 4), Bytes(16, 7));
    api.BufGet(g, 0, 0, 4, 4, nullptr);
    api.BufPut(g, 0, 0, 4, 4, nullptr);
    EXPECT_EQ(api.ObjectCount(), count + 1);
}

TEST_F(Imaging, FreeingTakesOnlyTheRightKind) {
    const int32_t g = Grey(4, 4);
    int32_t blob = 0, pattern = 0;
    ASSERT_EQ(api.BlobAllocResult(system, &blob), 0);
    ASSERT_EQ(api.PatternAlloc(system, &pattern), 0);
    api.BlobFree(g);
    api.PatternFree(blob);
    api.BufFree(pattern);
    api.BufFree(system);
    int32_t w = 0;
    EXPECT_EQ(api.BufInquire(g, &w, nullptr, nullptr), 0);
    EXPECT_EQ(w, 4);
    int32_t another = 0;
    EXPECT_EQ(api.BufAllocGrey(system, 2, 2, &another), 0); // the system is alive
    api.BufFree(another);
    const int32_t count = api.ObjectCount();
    api.BlobFree(blob);
    api.PatternFree(pattern);
    EXPECT_EQ(api.ObjectCount(), count - 2);
}

TEST_F(Imaging, ObjectCountReturnsToItsStartAfterFreeing) {
    const int32_t start = api.ObjectCount();
    int32_t app = 0, sys = 0, grey = 0, colour = 0, features = 0, result = 0, pattern = 0;
    ASSERT_EQ(api.AppAlloc(&app), 0);
    ASSERT_EQ(api.SystemAlloc(&sys), 0);
    ASSERT_EQ(api.BufAllocGrey(sys, 640, 480, &grey), 0);
    ASSERT_EQ(api.BufAllocColour(sys, 640, 480, &colour), 0);
    ASSERT_EQ(api.BlobAllocFeatureList(sys, &features), 0);
    ASSERT_EQ(api.BlobAllocResult(sys, &result), 0);
    ASSERT_EQ(api.PatternAlloc(sys, &pattern), 0);
    const std::vector<int32_t> handles = {app, sys, grey, colour, features, result, pattern};
    for (std::size_t i = 0; i < handles.size(); ++i) {
        EXPECT_NE(handles[i], 0);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(handles[i], handles[j]);
    }
    EXPECT_EQ(api.ObjectCount(), start + 7);
    api.PatternFree(pattern);
    api.BlobFree(result);
    api.BlobFree(features);
    api.BufFree(colour);
    api.BufFree(grey);
    api.BufFree(grey); // twice: the second time it is unknown
    api.SystemFree(sys);
    api.AppFree(app);
    EXPECT_EQ(api.ObjectCount(), start);
    EXPECT_NE(api.BufInquire(grey, nullptr, nullptr, nullptr), 0);
    // A freed handle is not given out again.
    int32_t next = 0;
    ASSERT_EQ(api.BufAllocGrey(system, 2, 2, &next), 0);
    for (int32_t h : handles)
        EXPECT_NE(next, h);
    api.BufFree(next);
}

TEST_F(Imaging, BuffersStartZeroAndReportTheirShape) {
    const int32_t g = Grey(7, 5), c = Colour(6, 4);
    int32_t w = 0, h = 0, bands = 0;
    ASSERT_EQ(api.BufInquire(g, &w, &h, &bands), 0);
    EXPECT_EQ(w * 100 + h * 10 + bands, 7 * 100 + 5 * 10 + 1);
    ASSERT_EQ(api.BufInquire(c, &w, &h, &bands), 0);
    EXPECT_EQ(w * 100 + h * 10 + bands, 6 * 100 + 4 * 10 + 3);
    EXPECT_EQ(Get(g, 7, 5), Bytes(35, 0));
    EXPECT_EQ(GetPacked(c, 6, 4), Bytes(72, 0));
}

TEST_F(Imaging, HostAddressShowsTheBufferItself) {
    const int32_t g = Grey(8, 3);
    uint8_t* p = api.BufHostAddress(g);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 24; ++i)
        p[i] = static_cast<uint8_t>(i * 3);
    const Bytes got = Get(g, 8, 3);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(got[i], i * 3);
    api.BufPut(g, 0, 0, 8, 3, Bytes(24, 9).data());
    EXPECT_EQ(p[23], 9);
    EXPECT_EQ(api.BufHostAddress(g), p); // the address does not move

    // A colour buffer's address is its red band.
    const int32_t c = ColourWith(2, 1, {10, 20, 30, 40, 50, 60});
    const uint8_t* red = api.BufHostAddress(c);
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red[0], 10);
    EXPECT_EQ(red[1], 40);
}

TEST_F(Imaging, CopiesAreClippedToTheBuffer) {
    const int32_t g = GreyWith(6, 4, Bytes(24, 0));
    // A 4 x 3 rectangle hanging over the top-left corner.
    const Bytes in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    api.BufPut(g, -2, -1, 4, 3, in.data());
    // ... and one over the bottom-right corner.
    api.BufPut(g, 4, 3, 4, 3, in.data());
    const Bytes expected = {7,  8,  0, 0, 0, 0, //
                            11, 12, 0, 0, 0, 0, //
                            0,  0,  0, 0, 0, 0, //
                            0,  0,  0, 0, 1, 2};
    EXPECT_EQ(Get(g, 6, 4), expected);

    Bytes out(12, 0xEE);
    api.BufGet(g, -2, -1, 4, 3, out.data());
    EXPECT_EQ(out, (Bytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 7, 8, 0xEE, 0xEE, 11, 12}));
    Bytes none(4, 0xEE);
    api.BufGet(g, 6, 0, 2, 2, none.data());
    api.BufGet(g, 0, 0, 0, 5, none.data());
    api.BufGet(g, 0, 0, -3, 2, none.data());
    EXPECT_EQ(none, Bytes(4, 0xEE));

    const int32_t c = Colour(3, 2);
    const Bytes rgb = {1, 2, 3, 4, 5, 6}; // two pixels
    api.BufPutPacked(c, 2, 1, 2, 1, rgb.data());
    Bytes packed(3 * 2 * 3, 0);
    api.BufGetPacked(c, 0, 0, 3, 2, packed.data());
    EXPECT_EQ(Bytes(packed.end() - 3, packed.end()), (Bytes{1, 2, 3}));
    EXPECT_EQ(Bytes(packed.begin(), packed.end() - 3), Bytes(15, 0));
}

TEST_F(Imaging, PackedCopiesOfAGreyBuffer) {
    const int32_t g = GreyWith(2, 1, {30, 200});
    EXPECT_EQ(GetPacked(g, 2, 1), (Bytes{30, 30, 30, 200, 200, 200}));
    api.BufPutPacked(g, 0, 0, 2, 1, Bytes{90, 90, 90, 255, 0, 0}.data());
    const Bytes grey = Get(g, 2, 1);
    EXPECT_EQ(grey[0], 90);
    EXPECT_NEAR(grey[1], 76, 1);
}

TEST_F(Imaging, ResizeFitsTheCameraPictureIntoTheDisplayBuffer) {
    Bytes camera(1280 * 1024, 200);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1280; ++x)
            if ((x + y) % 2)
                camera[y * 1280 + x] = 100;
    const int32_t source = GreyWith(1280, 1024, camera);
    const int32_t display = GreyWith(640, 480, Bytes(640 * 480, 7));
    api.Resize(source, display, 0.46875, 0.46875);
    const Bytes shown = Get(display, 640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const int expected = x < 600 ? 150 : 7;
            ASSERT_NEAR(shown[y * 640 + x], expected, x < 600 ? 2 : 0) << x << "," << y;
        }

    // The display buffer reduced once more: exactly two by two averaged.
    const int32_t reduced = Grey(320, 240);
    api.Resize(display, reduced, 0.5, 0.5);
    const Bytes small = Get(reduced, 320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const int sum = shown[2 * y * 640 + 2 * x] + shown[2 * y * 640 + 2 * x + 1] +
                            shown[(2 * y + 1) * 640 + 2 * x] + shown[(2 * y + 1) * 640 + 2 * x + 1];
            ASSERT_NEAR(small[y * 320 + x], sum / 4.0, 0.5) << x << "," << y;
        }
}

TEST_F(Imaging, ResizeWorksOnEveryBand) {
    Bytes packed;
    for (int i = 0; i < 8 * 6; ++i)
        packed.insert(packed.end(), {10, 20, uint8_t(i % 2 ? 0 : 60)});
    const int32_t source = ColourWith(8, 6, packed);
    const int32_t target = Colour(4, 3);
    api.Resize(source, target, 0.5, 0.5);
    const Bytes got = GetPacked(target, 4, 3);
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(Bytes(got.begin() + 3 * i, got.begin() + 3 * i + 3), (Bytes{10, 20, 30}));

    // A grey source feeds each band of a colour destination.
    const int32_t grey = GreyWith(2, 2, Bytes(4, 80));
    const int32_t colour = Colour(4, 4);
    api.Resize(grey, colour, 2.0, 2.0);
    EXPECT_EQ(GetPacked(colour, 4, 4), Bytes(48, 80));
}

TEST_F(Imaging, ResizeIntoItself) {
    const int32_t g = GreyWith(4, 2, {0, 100, 200, 40, 100, 100, 0, 0});
    api.Resize(g, g, 0.5, 0.5);
    EXPECT_EQ(Get(g, 4, 2), (Bytes{75, 60, 200, 40, 100, 100, 0, 0}));
}

TEST_F(Imaging, WorksFromManyThreadsAndAnyApartment) {
    const int32_t start = api.ObjectCount();
    const Bytes picture = Random(64 * 48, 19);
    std::vector<std::thread> threads;
    std::vector<int> failures(6, 0);
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            // Two threads in a single-threaded apartment, two multi-threaded,
            // two leave COM to the library.
            const bool sta = t < 2, mta = t >= 2 && t < 4;
            if (sta || mta)
                CoInitializeEx(nullptr, sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
            const std::string name = Path("thread" + std::to_string(t) + (t % 2 ? ".bmp" : ".tif"));
            for (int i = 0; i < 20; ++i) {
                int32_t b = 0, back = 0;
                if (api.BufAllocGrey(system, 64, 48, &b) != 0 ||
                    api.BufAllocGrey(system, 64, 48, &back) != 0)
                    ++failures[t];
                api.BufPut(b, 0, 0, 64, 48, picture.data());
                if (api.BufSave(name.c_str(), b) != 0 || api.BufLoad(name.c_str(), back) != 0)
                    ++failures[t];
                Bytes got(picture.size());
                api.BufGet(back, 0, 0, 64, 48, got.data());
                if (got != picture)
                    ++failures[t];
                api.BufFree(b);
                api.BufFree(back);
            }
            if (sta || mta) {
                // The library left the thread's apartment as it found it.
                const HRESULT again =
                    CoInitializeEx(nullptr, sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
                if (again != S_FALSE)
                    ++failures[t];
                CoUninitialize();
                CoUninitialize();
            } else {
                // ... and uninitialised: any apartment can still be chosen.
                const HRESULT fresh = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                if (fresh != S_OK)
                    ++failures[t];
                CoUninitialize();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(6, 0));
    EXPECT_EQ(api.ObjectCount(), start);
}
