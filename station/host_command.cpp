#include "station/host_command.h"

namespace station {

HostCommand HostCommandFor(int32_t command) {
    switch (command) {
    case 1:
        return HostCommand::InspectionB;
    case 2:
        return HostCommand::CalibrationM;
    case 3:
        return HostCommand::CalibrationN;
    default:
        return HostCommand::InspectionA;
    }
}

int BookingMode(HostCommand command) {
    switch (command) {
    case HostCommand::InspectionA:
        return 1;
    case HostCommand::InspectionB:
        return 2;
    default:
        return 0;
    }
}

} // namespace station
