// What the window needs of the host's side of the station: the host's
// notification function and the station lock that serialises commands.
#pragma once

#include <cstdint>
#include <functional>

namespace station {

class HostLink {
  public:
    using Notify = void(__stdcall*)(int32_t button, int32_t pulses);
    virtual ~HostLink() = default;
    // The registered notification function, or null.
    virtual Notify Notification() = 0;
    // Runs command under the station lock; its result.
    virtual int32_t UnderStationLock(const std::function<int32_t()>& command) = 0;
};

} // namespace station
