// What a recording stand-in of an outside library was called with, one line
// per call, read back by the tests through the stand-in's own export.
#pragma once

#include <mutex>
#include <string>

namespace fakes {

class CallRecord {
  public:
    void Add(const std::string& line) {
        std::lock_guard<std::mutex> g(lock_);
        lines_ += line + "\n";
    }
    // A copy that stays valid until the next Text or Clear.
    const char* Text() {
        std::lock_guard<std::mutex> g(lock_);
        shown_ = lines_;
        return shown_.c_str();
    }
    void Clear() {
        std::lock_guard<std::mutex> g(lock_);
        lines_.clear();
    }

  private:
    std::mutex lock_;
    std::string lines_, shown_;
};

// A text argument as recorded: a null pointer shows as "(null)".
inline std::string Arg(const char* text) {
    return text ? std::string(text) : std::string("(null)");
}

} // namespace fakes
