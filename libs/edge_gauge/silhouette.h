// The edge gauge's measurement: the drill's silhouette in a back-lit side
// view, found with sub-pixel accuracy.  Portable C++: no Windows header.
//
// The picture: 8-bit grey, `width` x `height` pixels, rows top-first without
// gaps; a bright back light and the drill's dark silhouette, its edges
// blurred by the optics and overlaid with sensor noise.  The drill lies
// horizontally, its tip pointing left, its shank running out of the right
// border; a pressed ring is a wider dark band around the shank.
//
// Coordinates, in pixels: the centre of pixel (column x, row y) lies at
// (x, y); the pixel covers x - 0.5 ... x + 0.5 and y - 0.5 ... y + 0.5.
//
// What the gauge answers:
//   - the span: from the leftmost column that holds a dark pixel (a pixel
//     darker than half-way between the back light and the silhouette) to the
//     last column before the first one that holds no dark pixel of the
//     silhouette: the white cut that the station draws, or the right border;
//   - the tip column: the point of the tip's cone, the leftmost point of
//     the silhouette before the optics blurred it;
//   - the widest part: the columns of the span where the silhouette's
//     vertical extent (from its top edge to its bottom edge) is largest;
//   - first point (tip column, top edge row of the widest part), second point
//     (middle column of the widest part, its bottom edge row): y2 - y1 is the
//     largest vertical extent of the silhouette in the span.
#pragma once

#include <cstdint>

namespace edge_gauge {

enum class Finding : int32_t {
    Found = 0,
    NoPicture = 1,          // no image memory, or a size the gauge does not measure
    NoSilhouette = 2,       // no dark silhouette in front of a bright back light
    TouchesTopOrBottom = 3, // the silhouette reaches the top or the bottom row
    TipAtLeftBorder = 4,    // the leftmost dark pixel, or the tip's point, lies in column 0
};

struct EdgePoints {
    double x1 = 0, y1 = 0; // tip column, top edge row
    double x2 = 0, y2 = 0; // column of the bottom edge, bottom edge row
};

// What the search saw besides the two points.
struct Findings {
    double background = 0; // grey level of the back light
    double silhouette = 0; // grey level of the drill
    double threshold = 0;  // a pixel below this grey level is dark
    double noise = 0;      // grey levels: the sensor noise's sigma, as seen on the back light
    double blurSigma = 0;  // pixels: the optics' blur, from the edges next to the tip
    int firstColumn = -1;  // the leftmost column with a dark pixel
    int lastColumn = -1;   // the last column of the span
    int widestFirst = -1;  // the columns of the widest part whose edges were averaged
    int widestLast = -1;
    double bodyTop = 0; // the edges of the body next to the tip
    double bodyBottom = 0;
    double coneLength = 0; // pixels from the tip's point to where the cone reaches the body
};

// Largest picture side the gauge measures.
constexpr int kMaxSide = 1 << 15;

Finding FindEdges(const uint8_t* image, int width, int height, EdgePoints& points,
                  Findings* findings = nullptr);

} // namespace edge_gauge
