// The frame of every function that Windows or another module calls into an
// outside library (exports, thread procedures): an exception never leaves
// it.  It is logged to the debugger with the entry's name and the entry
// answers with its failure value.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace common {

inline void LogEntryFailure(const char* entry, const char* what) noexcept {
    char line[512];
    wsprintfA(line, "%s: %s\n", entry ? entry : "?", what ? what : "unknown exception");
    OutputDebugStringA(line);
}

// Runs body(); when it throws, logs and returns failure instead.
template <class R, class Body> R Guarded(const char* entry, R failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        LogEntryFailure(entry, e.what());
    } catch (...) {
        LogEntryFailure(entry, nullptr);
    }
    return failure;
}

// The same for entries without a result.
template <class Body> void GuardedVoid(const char* entry, Body&& body) noexcept {
    try {
        body();
    } catch (const std::exception& e) {
        LogEntryFailure(entry, e.what());
    } catch (...) {
        LogEntryFailure(entry, nullptr);
    }
}

} // namespace common
