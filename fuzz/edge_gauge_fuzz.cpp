// The edge gauge on arbitrary pictures: it never reads outside the picture,
// and an answer it gives lies inside the picture with finite coordinates.
#include "libs/edge_gauge/silhouette.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // Picture size from the first two bytes, the pixels from the rest,
    // repeated to fill it; the picture has exactly width x height bytes so
    // that the sanitizer sees every read past its end.
    const int width = 1 + data[0] % 96;
    const int height = 1 + data[1] % 96;
    const std::size_t n = static_cast<std::size_t>(width) * height;
    std::vector<uint8_t> picture(n, 200);
    if (size > 2)
        for (std::size_t i = 0; i < n; ++i)
            picture[i] = data[2 + i % (size - 2)];
    edge_gauge::EdgePoints p;
    if (edge_gauge::FindEdges(picture.data(), width, height, p) != edge_gauge::Finding::Found)
        return 0;
    // The tip lies right of column 0.5, the edges strictly inside the rows,
    // the second point on the picture.
    const bool inside = p.x1 >= 0.5 && p.x1 <= width - 1 && p.y1 > 0 && p.y2 < height - 1 &&
                        p.y1 < p.y2 && p.x2 >= 0 && p.x2 <= width - 1;
    if (!inside)
        std::abort();
    return 0;
}
