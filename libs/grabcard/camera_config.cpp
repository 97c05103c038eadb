// Reads Grabcard.ini, the simulated camera's settings file beside
// Grabcard.dll, with GetPrivateProfileStringA.
//
//   [Camera]  Width, Height, Colour (0 monochrome, 1 colour), FrameRate,
//             Source (scene | folder | nosignal), Folder
//   [Scene]   the drill scene that Source=scene shows (drill_scene.h)
#include "libs/grabcard/camera_config.h"

#include "common/module_folder.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace grabcard {

namespace {

constexpr char kMissing[] = "\x01";

std::string Trimmed(std::string text) {
    const std::size_t comment = text.find(';');
    if (comment != std::string::npos)
        text.erase(comment);
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

class Ini {
  public:
    explicit Ini(std::string path) : path_(std::move(path)) {}

    // The trimmed text of a key, or nothing when the key is missing or empty.
    bool Text(const char* section, const char* key, std::string& out) const {
        char buffer[512] = {};
        GetPrivateProfileStringA(section, key, kMissing, buffer, sizeof buffer, path_.c_str());
        if (std::strcmp(buffer, kMissing) == 0)
            return false;
        std::string text = Trimmed(buffer);
        if (text.empty())
            return false;
        out = std::move(text);
        return true;
    }

    void Number(const char* section, const char* key, double& value) const {
        std::string text;
        if (!Text(section, key, text))
            return;
        double v = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (error != std::errc() || end != text.data() + text.size())
            Unusable(section, key, text);
        else
            value = v;
    }

    void Whole(const char* section, const char* key, int32_t& value) const {
        std::string text;
        if (!Text(section, key, text))
            return;
        int32_t v = 0;
        const char* first = text.data() + (text[0] == '+' ? 1 : 0);
        const auto [end, error] = std::from_chars(first, text.data() + text.size(), v);
        if (error != std::errc() || end != text.data() + text.size())
            Unusable(section, key, text);
        else
            value = v;
    }

    // A whole number limited to from ... to.
    void Bounded(const char* section, const char* key, int32_t& value, int32_t from,
                 int32_t to) const {
        int32_t v = value;
        Whole(section, key, v);
        if (v < from || v > to) {
            Report(std::string("[") + section + "] " + key + "=" + std::to_string(v) +
                   " lies outside " + std::to_string(from) + " ... " + std::to_string(to));
            v = std::clamp(v, from, to);
        }
        value = v;
    }

    static void Unusable(const char* section, const char* key, const std::string& text) {
        Report(std::string("[") + section + "] " + key + "=" + text +
               " is not usable; the default stays");
    }

    static void Report(const std::string& what) {
        OutputDebugStringA(("Grabcard.ini: " + what + "\n").c_str());
    }

  private:
    std::string path_;
};

bool UsableSize(int32_t width, int32_t height) {
    return width >= kMinWidth && width <= kMaxWidth && height >= kMinHeight &&
           height <= kMaxHeight && int64_t{width} * height <= kMaxPixels;
}

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') ||
           (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

bool IsPictureName(const std::string& name) {
    const std::string lower = Lower(name);
    for (const char* ending : {".bmp", ".tif", ".tiff"}) {
        const std::size_t n = std::strlen(ending);
        if (lower.size() > n && lower.compare(lower.size() - n, n, ending) == 0)
            return true;
    }
    return false;
}

} // namespace

std::string ModuleFolder() {
    const std::string folder = common::ModuleFolderOf(reinterpret_cast<const void*>(&ModuleFolder));
    return folder.empty() ? folder : folder + "\\";
}

CameraConfig ReadCameraConfig(const std::string& iniPath) {
    const Ini ini(iniPath);
    CameraConfig c;

    // The picture size as a pair: a side out of range (a typing error such as
    // Width=64000) gives the default camera whole, never a clamped side
    // whose picture matches neither the camera meant nor the default.
    ini.Whole("Camera", "Width", c.width);
    ini.Whole("Camera", "Height", c.height);
    if (!UsableSize(c.width, c.height)) {
        Ini::Report("[Camera] Width=" + std::to_string(c.width) + ", Height=" +
                    std::to_string(c.height) + " is no picture size of the camera (" + "width " +
                    std::to_string(kMinWidth) + " ... " + std::to_string(kMaxWidth) + ", height " +
                    std::to_string(kMinHeight) + " ... " + std::to_string(kMaxHeight) +
                    ", at most " + std::to_string(kMaxPixels) + " pixels); the camera gives " +
                    std::to_string(kDefaultWidth) + " x " + std::to_string(kDefaultHeight));
        c.width = kDefaultWidth;
        c.height = kDefaultHeight;
    }
    if (c.width % 4 != 0) {
        Ini::Report("[Camera] Width=" + std::to_string(c.width) + " becomes " +
                    std::to_string(c.width / 4 * 4) + ": a row must be a multiple of 4 bytes");
        c.width = c.width / 4 * 4;
    }
    int32_t colour = 0;
    ini.Whole("Camera", "Colour", colour);
    c.colour = colour != 0;
    ini.Bounded("Camera", "FrameRate", c.framesPerSecond, kMinRate, kMaxRate);

    std::string text;
    if (ini.Text("Camera", "Source", text)) {
        const std::string s = Lower(text);
        if (s == "scene" || s == "0")
            c.source = Source::Scene;
        else if (s == "folder" || s == "1")
            c.source = Source::Folder;
        else if (s == "nosignal" || s == "2")
            c.source = Source::NoSignal;
        else
            Ini::Unusable("Camera", "Source", text);
    }
    std::string folder = "IMG";
    ini.Text("Camera", "Folder", folder);
    c.folder = IsAbsolute(folder) ? folder : ModuleFolder() + folder;

    // Each value of the scene in turn; one that makes the scene unusable
    // (a tip angle of 200 degrees, a negative diameter) keeps its default.
    drill_scene::Scene& s = c.scene;
    auto scene = [&](const char* key, double& value) {
        const double before = value;
        ini.Number("Scene", key, value);
        if (const char* problem = drill_scene::SceneProblem(s)) {
            Ini::Report(std::string("[Scene] ") + key + ": " + problem + "; the default stays");
            value = before;
        }
    };
    scene("MmPerPixel", s.mmPerPixel);
    scene("TipColumn", s.tipColumn);
    scene("AxisRow", s.axisRow);
    scene("BodyDiameter", s.bodyDiameter);
    scene("ShankDiameter", s.shankDiameter);
    scene("BodyLength", s.bodyLength);
    scene("NeckLength", s.neckLength);
    scene("TotalLength", s.totalLength);
    scene("TipAngle", s.tipAngle);
    scene("RingOuterDiameter", s.ringOuterDiameter);
    scene("RingWidth", s.ringWidth);
    scene("RingPlace", s.ringPlace);
    scene("Background", s.background);
    scene("Silhouette", s.silhouette);
    scene("BlurSigma", s.blurSigma);
    scene("NoiseSigma", s.noiseSigma);
    int32_t seed = static_cast<int32_t>(s.seed);
    ini.Whole("Scene", "Seed", seed);
    s.seed = static_cast<uint32_t>(seed);
    // The back light, the dust on its glass and a white cut in every frame.
    scene("BackgroundRight", s.backgroundRight);
    scene("Vignetting", s.vignetting);
    scene("DustSmallest", s.dustSmallest);
    scene("DustLargest", s.dustLargest);
    auto whole = [&](const char* key, int32_t& value) {
        const int32_t before = value;
        ini.Whole("Scene", key, value);
        if (const char* problem = drill_scene::SceneProblem(s)) {
            Ini::Report(std::string("[Scene] ") + key + ": " + problem + "; the default stays");
            value = before;
        }
    };
    whole("DustSpecks", s.dustSpecks);
    int32_t dustSeed = static_cast<int32_t>(s.dustSeed);
    whole("DustSeed", dustSeed);
    s.dustSeed = static_cast<uint32_t>(dustSeed);
    whole("CutColumn", s.cutColumn);
    return c;
}

CameraConfig ReadCameraConfig() {
    return ReadCameraConfig(ModuleFolder() + "Grabcard.ini");
}

std::vector<std::string> PictureFiles(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/')
        base += '\\';
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPictureName(found.cFileName))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    // Name order, capitals and small letters alike, byte by byte: the same
    // order on every system whatever its locale.
    auto bytewise = [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const std::string la = Lower(a), lb = Lower(b);
        return la != lb ? bytewise(la, lb) : bytewise(a, b);
    });
    for (std::string& name : names)
        name = base + name;
    return names;
}

} // namespace grabcard
