// No windows.h here: LoadImage is the device's own.
#include "ui/image_file_read.h"

#include "imaging/v_process.h"

namespace station {

int32_t ReadImageFile(vManager& device, const std::string& file) {
    return device.LoadImage(file);
}

} // namespace station
