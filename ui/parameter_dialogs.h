// The main window's way into the parameter dialogs: one call opens the
// dialog the parameter button's tag chooses, shows it modally and, after
// OK, repaints the view and saves as that dialog requires.
#pragma once

#include "params/parameter_set.h"

#include <functional>
#include <string>

namespace station {

// What a parameter dialog needs of the main window.
struct DialogContext {
    ParameterSet* params = nullptr;
    // A text of the language library in the current language.
    std::function<std::string(const char* section, const char* key)> text;
    // The dialog's caption: the parameter button's caption.
    std::string caption;
    // After OK: the camera view repainted, then the parameter file saved,
    // or (ring position) the material saved with the parameter file.
    std::function<void()> repaintView;
    std::function<void()> saveParameterFile;
    std::function<void()> saveMaterial;
    // Runs the write-back of OK under the station lock, so that no drill is
    // judged against half of the old values and half of the new.
    std::function<void(const std::function<void()>&)> underStationLock;
};

enum class ParameterDialog {
    RingPosition = 0, // TCalFormOp2
    Calibration = 1,  // TCalFormAm2
    Inspection = 2,   // TCalFormEn2
};

// Opens dialog `which` (0 ring position, 1 calibration values, 2 inspection
// parameters); true when it was closed with OK.  Other numbers open nothing.
bool ShowParameterDialog(int which, const DialogContext& context);

} // namespace station
