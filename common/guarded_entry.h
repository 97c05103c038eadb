// The frame of every function that Windows or another module calls into
// this code (exports, thread procedures, hooks, enumeration callbacks): an
// exception never leaves it.  It is logged to the debugger with the entry's
// name and the entry answers with its failure value.
#pragma once

#include "common/entry_line.h"

#include <windows.h>

#include <exception>

namespace common {

// "<entry>: <what>" on the debugger's output, cut to a line of fixed size.
inline void LogEntryFailure(const char* entry, const char* what) noexcept {
    char line[kEntryLineSize];
    FormatEntryLine(line, sizeof line, entry, what);
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
