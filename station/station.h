// The station of the process: open, close, show, commands, notification.
#pragma once

#define VARDEL_API
#include "include/vardel.h"

#include <cstdint>
#include <functional>

namespace station {

int32_t Open();
int32_t Close();
int32_t Dialog(int32_t language);
int32_t Function(int32_t command);
void Callback(VardelNotify notify);
int32_t GetParametr();

// The host's notification function, or null.
VardelNotify HostNotification();

// Runs one command of the window's buttons under the station lock, so that
// it never measures at the same time as a host command; 0 with no station.
int32_t RunUnderStationLock(const std::function<int32_t()>& command);

// The module is being unloaded.
void ReleaseModule();

} // namespace station
