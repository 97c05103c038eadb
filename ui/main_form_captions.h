// Which language text each part of the main window shows: one (section, key)
// pair per menu item, tool button, bottom and right button, list column and
// value-panel label, in the order the window loads them.  Plain data without
// Windows, so that the native tests check the station's text tables against
// exactly these pairs.
#pragma once

#include <cstddef>

namespace station::captions {

struct TextKey {
    const char* section;
    const char* key;
};

// A component (menu item, button, list) and the text it shows.
struct Caption {
    const char* component;
    TextKey text;
};

// A tool button: caption key and hint key, both in section "ToolBar".
struct ToolCaption {
    const char* button;
    const char* captionKey;
    const char* hintKey;
};

// The title: SystemName, " - ", the material name.
inline constexpr TextKey kSystemName{"Main", "SystemName"};
// The addresses the Help menu opens; an empty text hides the item.
inline constexpr TextKey kHomePage{"Main", "HomePage"};
inline constexpr TextKey kEmail{"Main", "email"};
// The question asked before the statistics are reset.
inline constexpr TextKey kResetQuestion{"RightBar", "ResetAyu"};

// The two help links' own captions (loaded before their visibility).
inline constexpr Caption kHelpLinks[] = {
    {"HomePage2", {"Main Menu", "Help_HomePage"}},
    {"email2", {"Main Menu", "Help_email"}},
};

inline constexpr Caption kMenus[] = {
    {"File", {"Main Menu", "File_"}},
    {"Login2", {"Main Menu", "File_Login"}},
    {"Load2", {"Main Menu", "File_Load"}},
    {"Save2", {"Main Menu", "File_Save"}},
    {"Exit2", {"Main Menu", "File_Exit"}},
    {"Image", {"Main Menu", "Image_"}},
    {"Grab2", {"Main Menu", "Image_Grab"}},
    {"Live2", {"Main Menu", "Image_Live"}},
    {"Stop2", {"Main Menu", "Image_Stop"}},
    {"LoadImage2", {"Main Menu", "Image_Load"}},
    {"SaveImage2", {"Main Menu", "Image_Save"}},
    {"Option", {"Main Menu", "Option_"}},
    {"English2", {"Main", "MultiLanguage"}},
    {"ToolBar2", {"Main Menu", "Option_ToolBar"}},
    {"StateBar2", {"Main Menu", "Option_StatusBar"}},
    {"CrossLine2", {"Main Menu", "Option_Cross"}},
    {"GrabSw2", {"Main Menu", "Option_GrabSwitch"}},
    {"AutoSaveOk2", {"Main Menu", "Option_AutoSaveOk"}},
    {"AutoSaveNg2", {"Main Menu", "Option_AutoSaveNg"}},
    {"Help", {"Main Menu", "Help_"}},
    {"About2", {"Main Menu", "Help_About"}},
    {"Help2", {"Main Menu", "Help_Help"}},
    {"NGList2", {"Main Menu", "Help_NGList"}},
};

inline constexpr const char* kToolSection = "ToolBar";
inline constexpr ToolCaption kToolButtons[] = {
    {"Exit", "Exit", "ExitHint"},
    {"Grab", "Grab", "GrabHint"},
    {"Live", "Live", "LiveHint"},
    {"Stop", "Stop", "StopHint"},
    {"LoadI", "LoadImage", "LoadImageHint"},
    {"SaveI", "SaveImage", "SaveImageHint"},
    {"About", "About", "AboutHint"},
};

inline constexpr Caption kBottomButtons[] = {
    {"newLogin1", {"newToolBar", "newLogin"}},
    {"newAbout1", {"newToolBar", "newAbout"}},
    {"newLanguage1", {"newToolBar", "newLanguage"}},
    {"newKeyboard1", {"newToolBar", "newKeyboard"}},
    {"newGrab1", {"newToolBar", "newGrab"}},
    {"newLive1", {"newToolBar", "newLive"}},
    {"newCrossLine1", {"newToolBar", "newCrossLine"}},
    {"newClose1", {"newToolBar", "newClose"}},
};

// The value panels' labels, by their index: offset, drill diameter, drill
// length, resolution, command, return code, ring depth (ShowA after
// inspection B, and the ring-position panel).
inline constexpr TextKey kStatusLabels[7] = {
    {"RightBar", "Offset"},
    {"RightBar", "DrillDiameter"},
    {"RightBar", "DrillLength"},
    {"RightBar", "Resolution"},
    {"RightBar", "CMD"},
    {"RightBar", "RetCode"},
    {"Calibration2Dialog", "IdlRingPosition2"},
};

inline constexpr Caption kRightButtons[] = {
    {"rightParaSetup1", {"RightBar", "Parameter"}}, {"rightISetup1", {"RightBar", "InspectionA"}},
    {"rightISetup2", {"RightBar", "InspectionB"}},  {"rightCSetup1", {"RightBar", "CalibrationM"}},
    {"rightCSetup2", {"RightBar", "CalibrationN"}}, {"rightLoad1", {"RightBar", "Load"}},
    {"BaseLine1", {"RightBar", "BaseLine"}},
};

// Column headers, left to right.
inline constexpr TextKey kNgColumns[6] = {
    {"newToolBar", "listSerialNg"}, {"newToolBar", "listCommand"}, {"newToolBar", "listRetCode"},
    {"newToolBar", "listOffset"},   {"newToolBar", "listLength"},  {"newToolBar", "listDiameter"},
};
inline constexpr TextKey kOkColumns[4] = {
    {"newToolBar", "listSerial"},
    {"newToolBar", "listOffset"},
    {"newToolBar", "listLength"},
    {"newToolBar", "listDiameter"},
};

// Calls f(section, key) for every pair the main window asks for.
template <class F> void ForEachWindowText(F&& f) {
    f(kSystemName.section, kSystemName.key);
    f(kHomePage.section, kHomePage.key);
    f(kEmail.section, kEmail.key);
    f(kResetQuestion.section, kResetQuestion.key);
    for (const Caption& c : kHelpLinks)
        f(c.text.section, c.text.key);
    for (const Caption& c : kMenus)
        f(c.text.section, c.text.key);
    for (const ToolCaption& t : kToolButtons) {
        f(kToolSection, t.captionKey);
        f(kToolSection, t.hintKey);
    }
    for (const Caption& c : kBottomButtons)
        f(c.text.section, c.text.key);
    for (const TextKey& k : kStatusLabels)
        f(k.section, k.key);
    for (const Caption& c : kRightButtons)
        f(c.text.section, c.text.key);
    for (const TextKey& k : kNgColumns)
        f(k.section, k.key);
    for (const TextKey& k : kOkColumns)
        f(k.section, k.key);
}

} // namespace station::captions
