// Common controls version 6 for the windows of this module.  A DLL cannot
// rely on the host's manifest: its own (resource 2 of the module) becomes an
// activation context, active while the module creates its windows.
#pragma once

#include <windows.h>

namespace kit {

class CommonControlsScope {
  public:
    CommonControlsScope();
    ~CommonControlsScope();
    CommonControlsScope(const CommonControlsScope&) = delete;
    CommonControlsScope& operator=(const CommonControlsScope&) = delete;

  private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

} // namespace kit
