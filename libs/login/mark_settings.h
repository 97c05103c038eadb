// The cross-line mark's settings and the file that keeps them ("Login.ini"
// beside Login.dll, section [Mark]).
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace login {

struct MarkColour {
    const char* name;  // as written in the settings file
    const char* label; // as the set-up dialog shows it
    COLORREF rgb;
};

// The colours the operator can choose from, in the dialog's order.
const std::array<MarkColour, 6>& MarkColours();

struct MarkSettings {
    bool on = false;
    int colour = 0; // index into MarkColours()
    int width = 1;  // pen width of the cross line, 1..3
    bool ticks = true;

    static constexpr int kMinWidth = 1;
    static constexpr int kMaxWidth = 3;
};

// Reads the file; anything missing, unreadable or out of range gives the
// default (or the nearest allowed value for numbers).
MarkSettings ReadMarkSettings(const std::string& path);
// Writes all four keys in one write of the section (other keys of the
// section stay); false when the file could not be written, which then
// holds what it held before.
bool WriteMarkSettings(const std::string& path, const MarkSettings& s);

// The settings as the library holds them while it is loaded: read once, on
// first use, and shared by the drawing (any thread), the switch and the
// set-up dialog.  A change is taken only once the file holds it: a failed
// write keeps the settings before it, in the library and in the file.
class MarkState {
  public:
    explicit MarkState(std::string path);

    MarkSettings Current();
    bool On();
    // Flips the switch and keeps the new state in the file; false (the
    // switch as it was) when the file could not be written.
    bool Toggle();
    // Takes the dialog's colour, width and ticks and writes the file; false
    // (the settings as they were) when the file could not be written.
    bool Apply(const MarkSettings& s);
    const std::string& path() const { return path_; }

  private:
    void LoadOnce();
    // All four settings in one word, so that a reader never meets half of
    // a change.
    static uint32_t Packed(const MarkSettings& s);
    static MarkSettings Unpacked(uint32_t word);
    // Writes s and, when the file holds it, makes it current; holds fileMutex_.
    bool Commit(const MarkSettings& s);

    std::string path_;
    std::once_flag loaded_;
    std::mutex fileMutex_; // one writer of the file at a time
    std::atomic<uint32_t> settings_{0};
};

} // namespace login
