#include "ui/main_form_controls.h"

#include "ui/main_form_captions.h"
#include "ui/main_form_layout.h"

namespace station {
namespace {

template <class Names> std::vector<kit::Control*> BindAll(const kit::Form& f, const Names& names) {
    std::vector<kit::Control*> v;
    for (const char* name : names)
        v.push_back(&f.Bind(name));
    return v;
}

template <class Captions>
std::vector<kit::Control*> BindCaptions(const kit::Form& f, const Captions& captions) {
    std::vector<kit::Control*> v;
    for (const captions::Caption& c : captions)
        v.push_back(&f.Bind(c.component));
    return v;
}

constexpr const char* kCommandButtons[] = {"rightISetup1", "rightISetup2", "rightCSetup1",
                                           "rightCSetup2"};

} // namespace

MainControls::MainControls(const kit::Form& f)
    : BaseLine1(f.Bind<kit::Control>("BaseLine1")), CoolBar1(f.Bind<kit::Control>("CoolBar1")),
      DownPanel(f.Bind<kit::Control>("DownPanel")), Image2(f.Bind<kit::ImageView>("Image2")),
      MainPanel(f.Bind<kit::Control>("MainPanel")),
      NgListView1(f.Bind<kit::ListView>("NgListView1")),
      OkListView1(f.Bind<kit::ListView>("OkListView1")), PageBig1(f.Bind<kit::Control>("PageBig1")),
      PageSmall1(f.Bind<kit::Control>("PageSmall1")), PaintBoxA(f.Bind<kit::Control>("PaintBoxA")),
      PaintBoxB(f.Bind<kit::Control>("PaintBoxB")), Panel1(f.Bind<kit::Control>("Panel1")),
      SaveMaterial(f.Bind<kit::Control>("SaveMaterial")), ShowA(f.Bind<kit::Control>("ShowA")),
      ShowA1(f.Bind<kit::Control>("ShowA1")), ShowB(f.Bind<kit::Control>("ShowB")),
      ShowB1(f.Bind<kit::Control>("ShowB1")),
      ShowBoardName1(f.Bind<kit::Control>("ShowBoardName1")), ShowC(f.Bind<kit::Control>("ShowC")),
      ShowC1(f.Bind<kit::Control>("ShowC1")), ShowD(f.Bind<kit::Control>("ShowD")),
      StatusBar1(f.Bind<kit::StatusBar>("StatusBar1")), ToolBar1(f.Bind<kit::ToolBar>("ToolBar1")),
      Total1(f.Bind<kit::Control>("Total1")), newAbout1(f.Bind<kit::Control>("newAbout1")),
      newClose1(f.Bind<kit::Control>("newClose1")),
      newCrossLine1(f.Bind<kit::Control>("newCrossLine1")),
      newGrab1(f.Bind<kit::Control>("newGrab1")),
      newKeyboard1(f.Bind<kit::Control>("newKeyboard1")),
      newLanguage1(f.Bind<kit::Control>("newLanguage1")),
      newLive1(f.Bind<kit::Control>("newLive1")), newLogin1(f.Bind<kit::Control>("newLogin1")),
      rPanel1(f.Bind<kit::Control>("rPanel1")), rightCSetup1(f.Bind<kit::Control>("rightCSetup1")),
      rightCSetup2(f.Bind<kit::Control>("rightCSetup2")),
      rightISetup1(f.Bind<kit::Control>("rightISetup1")),
      rightISetup2(f.Bind<kit::Control>("rightISetup2")),
      rightLoad1(f.Bind<kit::Control>("rightLoad1")),
      rightParaSetup1(f.Bind<kit::Control>("rightParaSetup1")), sNg1(f.Bind<kit::Control>("sNg1")),
      sOk1(f.Bind<kit::Control>("sOk1")), sReset1(f.Bind<kit::Control>("sReset1")),
      sTotal1(f.Bind<kit::Control>("sTotal1")), sYield1(f.Bind<kit::Control>("sYield1")),
      bottomButtons(BindAll(f, layout::BottomButtons())),
      rightColumn(BindAll(f, layout::RightColumn())), commandButtons(BindAll(f, kCommandButtons)),
      bottomCaptions(BindCaptions(f, captions::kBottomButtons)),
      rightCaptions(BindCaptions(f, captions::kRightButtons)) {}

} // namespace station
