#include "station/last_values.h"

namespace station {

LastValues& TheLastValues() {
    static LastValues values;
    return values;
}

CommandTexts& TheCommandTexts() {
    static CommandTexts texts;
    return texts;
}

std::atomic<int32_t>& RingMarkerColumn() {
    static std::atomic<int32_t> column{0};
    return column;
}

} // namespace station
