// The main window's components as the window's code reaches them: typed
// handles bound once, right after the form is built from its table.  A
// name that the table does not hold fails the window's construction (and
// with it the opening of the station), never a command.
#pragma once

#include "ui/kit/form.h"

#include <vector>

namespace station {

struct MainControls {
    explicit MainControls(const kit::Form& f);

    kit::Control& BaseLine1;
    kit::Control& CoolBar1;
    kit::Control& DownPanel;
    kit::ImageView& Image2;
    kit::Control& MainPanel;
    kit::ListView& NgListView1;
    kit::ListView& OkListView1;
    kit::Control& PageBig1;
    kit::Control& PageSmall1;
    kit::Control& PaintBoxA;
    kit::Control& PaintBoxB;
    kit::Control& Panel1;
    kit::Control& SaveMaterial;
    kit::Control& ShowA;
    kit::Control& ShowA1;
    kit::Control& ShowB;
    kit::Control& ShowB1;
    kit::Control& ShowBoardName1;
    kit::Control& ShowC;
    kit::Control& ShowC1;
    kit::Control& ShowD;
    kit::StatusBar& StatusBar1;
    kit::ToolBar& ToolBar1;
    kit::Control& Total1;
    kit::Control& newAbout1;
    kit::Control& newClose1;
    kit::Control& newCrossLine1;
    kit::Control& newGrab1;
    kit::Control& newKeyboard1;
    kit::Control& newLanguage1;
    kit::Control& newLive1;
    kit::Control& newLogin1;
    kit::Control& rPanel1;
    kit::Control& rightCSetup1;
    kit::Control& rightCSetup2;
    kit::Control& rightISetup1;
    kit::Control& rightISetup2;
    kit::Control& rightLoad1;
    kit::Control& rightParaSetup1;
    kit::Control& sNg1;
    kit::Control& sOk1;
    kit::Control& sReset1;
    kit::Control& sTotal1;
    kit::Control& sYield1;

    // The bottom buttons and the right column, in the layout's order.
    std::vector<kit::Control*> bottomButtons, rightColumn;
    // The four inspection and calibration buttons (0 A, 1 B, 2 M, 3 N).
    std::vector<kit::Control*> commandButtons;
    // The targets of the bottom and right buttons' captions, in the order
    // of their caption tables.
    std::vector<kit::Control*> bottomCaptions, rightCaptions;
};

} // namespace station
