// The form kit's handles: a form's code reaches its components through
// handles bound once when the form is built, so that a misspelt name, a
// component of another kind or a parent that the table does not hold
// fails the building of the form with the name in the message, never a
// command later and never the host process.
#include "ui/kit/form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

class TestForm : public kit::Form {
  public:
    TestForm() {
        Style s{"KitTestForm"};
        s.width = 300;
        s.height = 200;
        Create(s);
    }
};

constexpr kit::Component kGood[] = {
    {.name = "Panel1", .kind = kit::Kind::Panel, .width = 100, .height = 50},
    {.name = "Edit1", .kind = kit::Kind::Edit, .parent = "Panel1", .width = 60, .height = 20},
    {.name = "List1", .kind = kit::Kind::ListView, .width = 100, .height = 80},
};

// What building or binding threw, or "" when it did not throw.
template <class F> std::string ThrownBy(F&& f) {
    try {
        f();
    } catch (const std::logic_error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(FormKit, HandlesBindByNameAndKindOrTheFormFailsToBuild) {
    TestForm form;
    form.Build(kGood);
    // Bound as what they are.
    kit::Edit& edit = form.Bind<kit::Edit>("Edit1");
    EXPECT_EQ(GetParent(edit.hwnd()), form.Bind("Panel1").hwnd());
    EXPECT_NE(form.Bind<kit::ListView>("List1").hwnd(), nullptr);
    // A name the table does not hold, and a component of another kind.
    const struct {
        const char* what;
        std::string (*bind)(TestForm&);
    } kFaults[] = {
        {"Edit2", [](TestForm& f) { return ThrownBy([&] { f.Bind("Edit2"); }); }},
        {"Panel1", [](TestForm& f) { return ThrownBy([&] { f.Bind<kit::Edit>("Panel1"); }); }},
        {"List1", [](TestForm& f) { return ThrownBy([&] { f.Bind<kit::ToolBar>("List1"); }); }},
    };
    for (const auto& fault : kFaults) {
        const std::string message = fault.bind(form);
        EXPECT_NE(message.find(fault.what), std::string::npos) << fault.what << ": " << message;
    }
}

TEST(FormKit, AParentTheTableDoesNotHoldFailsTheBuildInsteadOfBecomingTheForm) {
    constexpr kit::Component kMisspelt[] = {
        {.name = "Panel1", .kind = kit::Kind::Panel, .width = 100, .height = 50},
        {.name = "Edit1", .kind = kit::Kind::Edit, .parent = "Pannel1", .width = 60, .height = 20},
    };
    TestForm form;
    const std::string message = ThrownBy([&] { form.Build(kMisspelt); });
    EXPECT_NE(message.find("Pannel1"), std::string::npos) << message;
    EXPECT_EQ(form.Find("Edit1"), nullptr) << "the child was not put on the form itself";
}
