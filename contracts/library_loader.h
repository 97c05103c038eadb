// Binds the outside libraries at run time from the folder of vardel.dll, so a
// machine can replace any of them with its vendor's DLL of the same name.
#pragma once

#include "contracts/about.h"
#include "contracts/edge_gauge.h"
#include "contracts/grabcard.h"
#include "contracts/imaging.h"
#include "contracts/language.h"
#include "contracts/login.h"
#include "contracts/pinbus.h"

#include <memory>
#include <string>

// An owned module handle: freed when the owner goes.
class DllModule {
  public:
    DllModule() = default;
    explicit DllModule(HMODULE h) : h_(h) {}
    ~DllModule() {
        if (h_)
            FreeLibrary(h_);
    }
    DllModule(DllModule&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    DllModule& operator=(DllModule&& o) noexcept {
        if (this != &o) {
            if (h_)
                FreeLibrary(h_);
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    DllModule(const DllModule&) = delete;
    DllModule& operator=(const DllModule&) = delete;
    HMODULE get() const { return h_; }

  private:
    HMODULE h_ = nullptr;
};

// The libraries the station runs on, bound and ready.  The modules are freed
// in reverse order of their members, the reverse of loading.
struct OutsideLibraries {
    DllModule languageDll, pinbusDll, grabcardDll, imagingDll, edgeGaugeDll, loginDll, aboutDll;
    LanguageApi language;
    PinbusApi pinbus;
    GrabcardApi grabcard;
    ImagingApi imaging;
    EdgeGaugeApi edgeGauge;
    LoginApi login;
    AboutApi about;
};

// Loads every outside library from folder.  Returns null when a DLL or one of
// its exports is missing, and says which in problem.
std::unique_ptr<OutsideLibraries> LoadOutsideLibraries(const std::string& folder,
                                                       std::string* problem);
