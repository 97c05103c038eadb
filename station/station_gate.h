// The door to the one station of the process.  Every host call that uses the
// station passes it and holds its pass for as long as it does; a close shuts
// the door, waits until the last pass is given back, and only then takes
// the station down.  The door and the station lock live as long as the
// process, so a call that arrives while the station closes or after it has
// closed meets a shut door, never a station that is gone.  No Windows here.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace station {

class StationGate {
  public:
    // Held by one host call while it uses the station; empty when the door
    // was shut.  Given back when it goes.
    class Pass {
      public:
        Pass() = default;
        Pass(Pass&& other) noexcept : gate_(other.gate_) { other.gate_ = nullptr; }
        Pass& operator=(Pass&&) = delete;
        Pass(const Pass&) = delete;
        ~Pass();
        explicit operator bool() const { return gate_ != nullptr; }

      private:
        friend class StationGate;
        explicit Pass(StationGate* gate) : gate_(gate) {}
        StationGate* gate_ = nullptr;
    };

    StationGate() = default;
    StationGate(const StationGate&) = delete;
    StationGate& operator=(const StationGate&) = delete;

    // A pass, or an empty one when the station is not open or is closing.
    // Never waits.
    Pass Enter();
    // The station is open: passes are handed out.
    void Open();
    // No pass is handed out from now on; returns when every pass handed out
    // before has been given back.  whileWaiting runs between short waits
    // (the window's thread answers the messages sent to it there, so that a
    // call inside that waits for the window cannot hold the close up).
    void Shut(const std::function<void()>& whileWaiting = {});
    bool IsOpen() const;
    // How many passes are out now.
    int Inside() const;

    // The station lock: host commands, the window's commands and every writer
    // of the parameter set and of the image memory hold it.
    std::recursive_mutex& lock() { return lock_; }

    // The lock for a host call.  An operator's step that waits for it goes
    // first: a host that inspects without pause cannot keep the window's
    // thread waiting for ever.
    std::unique_lock<std::recursive_mutex> LockForHost();
    // The lock for the operator's thread, which must keep answering while it
    // waits: whileWaiting runs between short tries.  Host calls that arrive
    // meanwhile wait behind it.
    std::unique_lock<std::recursive_mutex>
    LockForOperator(const std::function<void()>& whileWaiting);

  private:
    void GiveBack();

    mutable std::mutex m_;
    std::condition_variable given_;
    bool open_ = false;
    int inside_ = 0;
    std::recursive_mutex lock_;
    // The operator's steps waiting for the lock, and their thread.
    int operatorWaiting_ = 0;
    std::thread::id operatorThread_;
    std::condition_variable operatorDone_;
};

} // namespace station
