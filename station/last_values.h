// What the last command left for the window: measured values, the pending
// judgement of inspection A, and the command and reply texts.  The window's
// 30 ms refresh reads them without the station lock, so every field is safe
// to read while a command writes it (a refresh may mix old and new values,
// never a torn one).
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

namespace station {

struct LastValues {
    std::atomic<double> offset{0.0};
    std::atomic<double> length{0.0};
    std::atomic<double> diameter{0.0};
    std::atomic<double> pending{0.0};
};

// A short text written by commands and read by the refresh.
class SharedText {
  public:
    explicit SharedText(std::size_t maxChars) : max_(maxChars) {}
    void Set(std::string text) {
        if (text.size() > max_)
            text.resize(max_);
        std::lock_guard<std::mutex> g(mutex_);
        text_ = std::move(text);
    }
    std::string Get() const {
        std::lock_guard<std::mutex> g(mutex_);
        return text_;
    }

  private:
    std::size_t max_;
    mutable std::mutex mutex_;
    std::string text_;
};

struct CommandTexts {
    SharedText command{49};
    SharedText reply{53};
};

// The process's last values and texts.
LastValues& TheLastValues();
CommandTexts& TheCommandTexts();

// The column of the ring marker line, set by the view overlay each time it
// draws the line, read by the measurement's second pass.
std::atomic<int32_t>& RingMarkerColumn();

} // namespace station
