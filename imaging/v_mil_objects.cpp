#include "imaging/v_mil_objects.h"

namespace station {

vMilBlob::vMilBlob(ImagingPort& lib, int32_t sys) : system(sys), lib_(lib) {
    lib_.BlobAllocFeatureList(system, &featureList);
    lib_.BlobAllocResult(system, &result);
}

vMilBlob::~vMilBlob() {
    if (result)
        lib_.BlobFree(result);
    if (featureList)
        lib_.BlobFree(featureList);
    result = featureList = 0;
}

vMilMatch::vMilMatch(ImagingPort& lib, int32_t system) : lib_(lib) {
    for (Model& m : models)
        m.system = system;
}

vMilMatch::~vMilMatch() {
    for (Model& m : models) {
        if (m.pattern)
            lib_.PatternFree(m.pattern);
        if (m.pattern2)
            lib_.PatternFree(m.pattern2);
        if (m.image)
            lib_.BufFree(m.image);
        m.pattern = m.pattern2 = m.image = 0;
    }
}

} // namespace station
