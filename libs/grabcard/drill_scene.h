// The drill scene: what the simulated camera of the inspection station sees.
//
// A back-lit side view: a bright background, the drill's dark silhouette
// lying horizontally with its tip pointing left and its shank running out of
// the right border; a pressed ring shows as a wider dark band around the
// shank.  The picture is rendered as the optics and the sensor would make
// it: the exact fraction of every pixel that the silhouette covers, then the
// optics' Gaussian blur, then the sensor's Gaussian noise, rounded to 8-bit
// grey levels.  Dust specks on the glass are dark like the drill; the back
// light may vary across the picture and fall off towards its corners, while
// the drill's own level stays (it blocks the light).  Portable C++: no
// Windows header.
//
// Image coordinates, in pixels: the centre of pixel (column x, row y) lies at
// (x, y); the pixel covers x - 0.5 ... x + 0.5 and y - 0.5 ... y + 0.5.  The
// left border of a picture W pixels wide is at -0.5, its right border at
// W - 0.5; rows grow downwards.  Every position in pixels (scene and truth)
// is measured in these coordinates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace drill_scene {

// One drill in front of the back light.  Sizes along and across the drill are
// in millimetres; where the drill lies in the picture is in pixels.
struct Scene {
    double mmPerPixel = 0.02;       // scale of the picture
    double tipColumn = 80.0;        // pixels: column of the tip's point (sub-pixel)
    double axisRow = 240.0;         // pixels: row of the drill's axis (sub-pixel)
    double bodyDiameter = 1.0;      // mm: diameter of the fluted body
    double shankDiameter = 3.175;   // mm
    double bodyLength = 5.0;        // mm: from the tip's point to the end of the flutes
    double neckLength = 1.0;        // mm: cone from the body to the shank diameter (0: a step)
    double totalLength = 38.1;      // mm: from the tip's point to the shank's end face
    double tipAngle = 130.0;        // degrees: point angle of the tip (180: a flat end)
    double ringOuterDiameter = 5.0; // mm (0: no ring)
    double ringWidth = 1.6;         // mm along the drill (0: no ring)
    double ringPlace = 9.0;         // mm from the tip's point to the ring's left face
    double background = 200.0;      // grey level of the back light, 0 ... 255
    double silhouette = 40.0;       // grey level of the drill, 0 ... 255
    double blurSigma = 1.0;         // pixels: sigma of the optics' Gaussian blur
    double noiseSigma = 2.0;        // grey levels: sigma of the sensor's Gaussian noise
    uint32_t seed = 1;              // the noise is a function of the seed and the frame

    // The back light and the glass in front of it, as a station sees them.
    double backgroundRight = -1; // back light at the right border (below 0: `background`),
                                 // linear across the columns from `background` at the left
    double vignetting = 0;       // 0 ... 0.9: the part of the back light lost at the corners,
                                 // growing with the square of the distance from the middle
    int32_t dustSpecks = 0;      // dark specks on the glass, 0 ... kMostSpecks, off the drill
    double dustSmallest = 2.0;   // pixels: side of the smallest and the largest speck
    double dustLargest = 4.0;
    uint32_t dustSeed = 1;  // where the specks lie follows from this seed
    int32_t cutColumn = -1; // a white cut drawn over columns c - 1 and c as the station draws
                            // it, after the noise (below 0: none)
};

constexpr int32_t kMostSpecks = 200;
constexpr double kSpeckClearance = 3.0; // pixels between a speck and the drill's silhouette

// A dark speck of dust: a square of the given side centred at (x, y).
struct Speck {
    double x, y, side;
};

// The specks of a scene in a picture of the given size: placed from the
// dust seed, each at least kSpeckClearance pixels from the drill.
std::vector<Speck> SpecksOf(const Scene& scene, int width, int height);

// The back light at pixel (x, y) of a picture of the given size.
double BackLightAt(const Scene& scene, int width, int height, double x, double y);

// The true geometry of a scene's silhouette, in pixels (image coordinates).
struct Truth {
    double tipColumn;        // leftmost point of the silhouette
    double pointEndColumn;   // where the tip's cone reaches the body diameter
    double topEdgeRow;       // upper edge of the body
    double bottomEdgeRow;    // lower edge of the body
    double bodyHeight;       // bottomEdgeRow - topEdgeRow
    double bodyEndColumn;    // end of the flutes, start of the neck
    double shankStartColumn; // end of the neck
    double shankHeight;      // shank diameter in pixels
    double drillEndColumn;   // shank's end face; beyond width - 0.5 it runs out of the picture
    double ringLeftColumn;   // ring's left face (equal to the right one when there is no ring)
    double ringRightColumn;  // ring's right face
    double ringHeight;       // ring's outer diameter in pixels (0: no ring)
};

// Null when the scene can be rendered, else what is wrong with it.
const char* SceneProblem(const Scene& scene);

Truth TruthOf(const Scene& scene);

// The fraction (0 ... 1) of every pixel that the silhouette covers, exact to
// rounding, row after row: width x height values.
std::vector<float> Coverage(const Scene& scene, int width, int height);

// The separable Gaussian blur of a width x height picture, in place; the
// picture continues beyond its borders with its border values.  The kernel
// is sampled at whole pixels out to 4 sigma and sums to 1, so the blur moves
// no edge and keeps the integral of the picture away from its borders.
void Blur(std::vector<float>& picture, int width, int height, double sigma);

// The picture without noise: grey levels after the optics' blur.
std::vector<float> CleanPicture(const Scene& scene, int width, int height);

// Adds one frame's sensor noise to a clean picture and writes 8-bit grey
// levels (rounded, clamped to 0 ... 255), bytesPerPixel equal bytes each.
// The noise depends only on the scene's seed and the frame number.
void Expose(const std::vector<float>& clean, const Scene& scene, uint64_t frame, uint8_t* out,
            int bytesPerPixel);

// The scene's white cut (cutColumn), drawn into a frame as the station
// draws it: columns c - 1 ... c within 0 ... width - 2, every row 255.
void DrawCut(const Scene& scene, int width, int height, uint8_t* out, int bytesPerPixel);

// CleanPicture, Expose and DrawCut in one step, one byte per pixel.
std::vector<uint8_t> RenderFrame(const Scene& scene, int width, int height, uint64_t frame = 0);

// A camera looking at one scene: keeps the clean picture, so that a frame
// only costs the noise.
class SceneCamera {
  public:
    void SetScene(const Scene& scene);
    const Scene& scene() const { return scene_; }
    // Frame number `frame` of the scene into out (width x height pixels).
    void Frame(int width, int height, uint64_t frame, uint8_t* out, int bytesPerPixel);

  private:
    Scene scene_;
    bool fresh_ = false;
    int width_ = 0;
    int height_ = 0;
    std::vector<float> clean_;
};

} // namespace drill_scene
