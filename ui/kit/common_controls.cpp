#include "ui/kit/common_controls.h"

#include "ui/kit/window.h"

#include <commctrl.h>

namespace kit {
namespace {

HANDLE ModuleContext() {
    // Made once per process and kept: windows created under it live on.
    static HANDLE context = [] {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(ThisModule(), path, MAX_PATH);
        ACTCTXA ctx{};
        ctx.cbSize = sizeof ctx;
        ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
        ctx.lpSource = path;
        ctx.lpResourceName = MAKEINTRESOURCEA(2);
        ctx.hModule = ThisModule();
        HANDLE made = CreateActCtxA(&ctx);
        if (made == INVALID_HANDLE_VALUE) {
            char line[120];
            wsprintfA(line, "vardel: no activation context for common controls 6 (error %lu)\n",
                      GetLastError());
            OutputDebugStringA(line);
        }
        return made;
    }();
    return context;
}

} // namespace

CommonControlsScope::CommonControlsScope() {
    HANDLE ctx = ModuleContext();
    if (ctx != INVALID_HANDLE_VALUE)
        active_ = ActivateActCtx(ctx, &cookie_) != FALSE;
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES |
                                                 ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)initialised;
}

CommonControlsScope::~CommonControlsScope() {
    if (active_)
        DeactivateActCtx(0, cookie_);
}

} // namespace kit
