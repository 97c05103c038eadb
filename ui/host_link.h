// What the window needs of the host's side of the station: the host's
// notification function and the station lock that serialises commands.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

namespace station {

class HostLink {
  public:
    using Notify = void(__stdcall*)(int32_t button, int32_t pulses);
    virtual ~HostLink() = default;
    // The registered notification function, or null.
    virtual Notify Notification() = 0;
    // Runs command under the station lock; its result.
    // The operator's thread waits for a host command with its messages
    // answered.
    virtual int32_t UnderStationLock(const std::function<int32_t()>& command) = 0;
    // The station lock itself, for those who only look whether it is free
    // (the paint of a live frame never waits for a command).
    virtual std::recursive_mutex& StationLock() = 0;
};

} // namespace station
