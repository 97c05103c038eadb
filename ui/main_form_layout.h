// The main window as its form describes it: components, menus, tool bar
// and the result lists' columns.
#pragma once

#include "ui/kit/component.h"
#include "ui/kit/controls.h"
#include "ui/kit/file_dialog.h"
#include "ui/kit/menu.h"

#include <span>

namespace station::layout {

std::span<const kit::Component> MainComponents();
std::span<const kit::MenuEntry> MainMenu();
std::span<const kit::ToolButtonRow> ToolButtons();

struct Column {
    const char* caption;
    int width;
};
std::span<const Column> OkColumns();
std::span<const Column> NgColumns();

// OpenDialog1, SaveDialog1 (images), OpenDialog2, SaveDialog2 (records).
std::span<const kit::FileDialogRow> FileDialogs();

// The eight bottom buttons of DownPanel, left to right.
std::span<const char* const> BottomButtons();
// The components that take rPanel1's width less 10 at every arrangement.
std::span<const char* const> RightColumn();

// Window bounds of the form description.
constexpr int kLeft = 276, kTop = 73, kWidth = 938, kHeight = 646;

} // namespace station::layout
