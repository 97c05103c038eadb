#include "contracts/library_loader.h"

namespace {

class Binder {
  public:
    Binder(const std::string& folder, std::string* problem) : folder_(folder), problem_(problem) {}

    // Loads dll; false (with the reason noted) when it cannot be loaded.
    bool Load(DllModule& module, const char* dll) {
        if (!ok_)
            return false;
        dll_ = dll;
        const std::string path = folder_ + "\\" + dll;
        module = DllModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        module_ = module.get();
        if (!module_)
            Fail("cannot load " + path + " (error " + std::to_string(GetLastError()) + ")");
        return ok_;
    }

    template <class F> void Bind(F& slot, const char* name) {
        if (!ok_)
            return;
        FARPROC p = GetProcAddress(module_, name);
        if (!p) {
            Fail(std::string(dll_) + " has no export " + name);
            return;
        }
        slot = reinterpret_cast<F>(reinterpret_cast<void*>(p));
    }

    bool ok() const { return ok_; }

  private:
    void Fail(const std::string& why) {
        ok_ = false;
        if (problem_)
            *problem_ = why;
    }
    std::string folder_;
    std::string* problem_;
    const char* dll_ = "";
    HMODULE module_ = nullptr;
    bool ok_ = true;
};

} // namespace

std::unique_ptr<OutsideLibraries> LoadOutsideLibraries(const std::string& folder,
                                                       std::string* problem) {
    auto libs = std::make_unique<OutsideLibraries>();
    Binder b(folder, problem);

    if (b.Load(libs->languageDll, "Language.dll")) {
        b.Bind(libs->language.Init, "InitLanguageDll");
        b.Bind(libs->language.Select, "SelectLanguageDll");
        b.Bind(libs->language.Get, "GetLanguageString");
    }
    if (b.Load(libs->pinbusDll, "Pinbus.dll")) {
        b.Bind(libs->pinbus.Init, "PinbusInit");
        b.Bind(libs->pinbus.Close, "PinbusClose");
    }
    if (b.Load(libs->grabcardDll, "Grabcard.dll")) {
        auto& g = libs->grabcard;
        b.Bind(g.Init, "GrabcardInit");
        b.Bind(g.Close, "GrabcardClose");
        b.Bind(g.GetImageSize, "GrabcardGetImageSize");
        b.Bind(g.GetImageAddr, "GrabcardGetImageAddr");
        b.Bind(g.Grab, "GrabcardGrab");
        b.Bind(g.Live, "GrabcardLive");
        b.Bind(g.Stop, "GrabcardStop");
        b.Bind(g.SetGrabFinishFun, "GrabcardSetGrabFinishFun");
        b.Bind(g.SetWaitMehod, "GrabcardSetWaitMehod");
    }
    if (b.Load(libs->imagingDll, "Imaging.dll")) {
        auto& m = libs->imaging;
        b.Bind(m.AppAlloc, "ImgAppAlloc");
        b.Bind(m.AppFree, "ImgAppFree");
        b.Bind(m.SystemAlloc, "ImgSystemAlloc");
        b.Bind(m.SystemFree, "ImgSystemFree");
        b.Bind(m.BufAllocGrey, "ImgBufAllocGrey");
        b.Bind(m.BufAllocColour, "ImgBufAllocColour");
        b.Bind(m.BufFree, "ImgBufFree");
        b.Bind(m.BufInquire, "ImgBufInquire");
        b.Bind(m.BufHostAddress, "ImgBufHostAddress");
        b.Bind(m.BufGet, "ImgBufGet");
        b.Bind(m.BufPut, "ImgBufPut");
        b.Bind(m.BufGetPacked, "ImgBufGetPacked");
        b.Bind(m.BufPutPacked, "ImgBufPutPacked");
        b.Bind(m.BufLoad, "ImgBufLoad");
        b.Bind(m.BufSave, "ImgBufSave");
        b.Bind(m.Resize, "ImgResize");
        b.Bind(m.BlobAllocFeatureList, "ImgBlobAllocFeatureList");
        b.Bind(m.BlobAllocResult, "ImgBlobAllocResult");
        b.Bind(m.BlobFree, "ImgBlobFree");
        b.Bind(m.PatternAlloc, "ImgPatternAlloc");
        b.Bind(m.PatternFree, "ImgPatternFree");
        b.Bind(m.ObjectCount, "ImgObjectCount");
    }
    if (b.Load(libs->edgeGaugeDll, "EdgeGauge.dll")) {
        b.Bind(libs->edgeGauge.Open, "EdgeGaugeOpen");
        b.Bind(libs->edgeGauge.DetectHeight, "EdgeGaugeDetectHeight");
        b.Bind(libs->edgeGauge.Close, "EdgeGaugeClose");
    }
    if (b.Load(libs->loginDll, "Login.dll")) {
        auto& l = libs->login;
        b.Bind(l.ShowLoginForm, "ShowLoginForm");
        b.Bind(l.DrawMark, "LoginDrawMark");
        b.Bind(l.GetDrawMarkSwitch, "LoginGetDrawMarkSwitch");
        b.Bind(l.DrawMarkSwitch, "LoginDrawMarkSwitch");
        b.Bind(l.DrawMarkSetup, "LoginDrawMarkSetup");
        b.Bind(l.ScreenKeyboard, "LoginScreenKeyboard");
    }
    if (!b.ok())
        return nullptr;
    // The about box is a courtesy: a station folder without About.dll (or
    // with one that lacks the export) still runs, and its about command
    // shows nothing.
    const std::string about = folder + "\\About.dll";
    libs->aboutDll =
        DllModule(LoadLibraryExA(about.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (HMODULE m = libs->aboutDll.get())
        libs->about.ShowBasicAboutForm = reinterpret_cast<ShowBasicAboutFormFn>(
            reinterpret_cast<void*>(GetProcAddress(m, "ShowBasicAboutForm")));
    return libs;
}
