// The simulated camera's settings: Grabcard.ini beside Grabcard.dll.
#pragma once

#include "libs/grabcard/drill_scene.h"

#include <cstdint>
#include <string>
#include <vector>

namespace grabcard {

enum class Source : int32_t { Scene = 0, Folder = 1, NoSignal = 2 };

// The picture sizes this frame grabber gives: each side within its range and
// the picture within kMaxPixels, so that one colour picture (48 MiB at
// most) leaves room beside the station's own buffers in a 32-bit process.
// A size outside them in the settings gives the default camera.
constexpr int32_t kMinWidth = 4, kMaxWidth = 8192;
constexpr int32_t kMinHeight = 2, kMaxHeight = 8192;
constexpr int64_t kMaxPixels = int64_t{4096} * 4096;
constexpr int32_t kDefaultWidth = 640, kDefaultHeight = 480;
constexpr int32_t kMinRate = 1, kMaxRate = 200;

struct CameraConfig {
    int32_t width = kDefaultWidth;   // pixels, a multiple of 4
    int32_t height = kDefaultHeight; // pixels
    bool colour = false;             // 3 bytes per pixel, B, G, R
    int32_t framesPerSecond = 25;
    Source source = Source::Scene;
    std::string folder; // full path of the folder that Source=folder plays back
    drill_scene::Scene scene;
};

// The folder of Grabcard.dll, with a trailing backslash.
std::string ModuleFolder();

// Reads the settings file; a missing file, key or unusable value keeps the
// default (and an unusable one is reported on the debugger's output).
CameraConfig ReadCameraConfig(const std::string& iniPath);

// Grabcard.ini in the folder of Grabcard.dll.
CameraConfig ReadCameraConfig();

// The .bmp, .tif and .tiff files of a folder (full paths), in name order.
std::vector<std::string> PictureFiles(const std::string& folder);

} // namespace grabcard
