// The main window's texts: every caption, hint, column header and value-panel
// label from the language library, the title, the material panel, and the
// language switch.  A text is shown exactly as the library returns it: an
// empty text gives an empty caption, never the form's own.
#include "ui/main_form_captions.h"
#include "imaging/overlay_rules.h"
#include "ui/main_form.h"

#include <vector>

namespace station {
namespace {

std::string FieldText(const Text100& field) {
    std::size_t n = 0;
    while (n < field.size() && field[n] != '\0')
        ++n;
    return std::string(field.data(), n);
}

// Upper case by the system's code page: a double-byte character stays as it
// is, only single-byte letters change.
std::string UpperCase(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    CharUpperBuffA(buffer.data(), static_cast<DWORD>(text.size()));
    return std::string(buffer.data(), text.size());
}

} // namespace

std::string TMainForm1::Text(const char* section, const char* key) const {
    const char* t = libs_.language.Get(station_->params().op.LanguageIndex, section, key);
    return t ? std::string(t) : std::string();
}

void TMainForm1::RefreshTitle() {
    const std::string material = FieldText(params().station.MaterialName);
    const std::string title =
        Text(captions::kSystemName.section, captions::kSystemName.key) + " - " + material;
    SetWindowTextA(hwnd(), title.c_str());
    ShowStatistics(params().material.OkCount, params().material.NgCount);
    ui_->ShowBoardName1.SetCaption("<" + UpperCase(material) + ">");
}

void TMainForm1::RefreshRingPanel() {
    ui_->ShowD.SetCaption(RingCaption(statusLabels_[6], params().station, params().material));
}

void TMainForm1::LoadCaptions() {
    using namespace captions;
    // 1. Title, statistics, material panel.
    RefreshTitle();
    // 2. and 3. The help links, shown only with an address to open.
    for (const Caption& c : kHelpLinks)
        menu_.SetCaption(c.component, Text(c.text.section, c.text.key));
    const bool homePage = !Text(kHomePage.section, kHomePage.key).empty();
    const bool email = !Text(kEmail.section, kEmail.key).empty();
    menu_.SetVisible("HomePage2", homePage);
    menu_.SetVisible("email2", email);
    menu_.SetVisible("N2", homePage || email);
    // 4. Menu titles and items.
    for (const Caption& c : kMenus)
        menu_.SetCaption(c.component, Text(c.text.section, c.text.key));
    // 5. Tool buttons: caption, then hint.
    auto& tools = ui_->ToolBar1;
    for (const ToolCaption& t : kToolButtons) {
        tools.SetButtonCaption(t.button, Text(kToolSection, t.captionKey));
        tools.SetButtonHint(t.button, Text(kToolSection, t.hintKey));
    }
    // 6. Bottom buttons.
    for (std::size_t i = 0; i < std::size(kBottomButtons); ++i)
        ui_->bottomCaptions[i]->SetCaption(
            Text(kBottomButtons[i].text.section, kBottomButtons[i].text.key));
    // 7. The value panels' labels, shown by the next 30 ms refresh.
    for (std::size_t i = 0; i < statusLabels_.size(); ++i)
        statusLabels_[i] = Text(kStatusLabels[i].section, kStatusLabels[i].key);
    camera_->SetRingLabel(statusLabels_[6]);
    // 8. Right buttons.
    for (std::size_t i = 0; i < std::size(kRightButtons); ++i)
        ui_->rightCaptions[i]->SetCaption(
            Text(kRightButtons[i].text.section, kRightButtons[i].text.key));
    // 9. Column headers.
    auto& ng = ui_->NgListView1;
    for (int i = 0; i < 6; ++i)
        ng.SetColumnCaption(i, Text(kNgColumns[i].section, kNgColumns[i].key));
    auto& ok = ui_->OkListView1;
    for (int i = 0; i < 4; ++i)
        ok.SetColumnCaption(i, Text(kOkColumns[i].section, kOkColumns[i].key));
    // 10. The ring-position panel with its label.
    RefreshRingPanel();
}

void TMainForm1::SwitchLanguage(const std::string& title) {
    if (!libs_.language.Select)
        return;
    // The selection window fills a copy; the choice is taken in one step
    // under the station lock.
    int32_t language = 0;
    UnderLock([&] { language = params().op.LanguageIndex; });
    if (libs_.language.Select(title.c_str(), &language) == 0)
        return;
    UnderLock([&] { params().op.LanguageIndex = language; });
    LoadCaptions();
}

} // namespace station
