// Checks of a dialog's layout as a user sees it, over whatever child controls it has: each lies
// inside the client area, no two overlap (a group box may hold others), and each text fits its
// control, measured with the control's own font.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ControlPlace {
    int id = 0;
    std::wstring className;
    RECT rect{};  // in the parent's client coordinates
};

// The parent's direct children that are visible (in a shown parent), in their z order.
std::vector<ControlPlace> ChildPlaces(HWND parent);
// Every fault found, one line each; empty when the layout is sound.
std::vector<std::string> LayoutFaults(HWND parent);
// The text of a static, button or check box cut by its control's edges, if it is.
std::string TextFault(HWND control);
// The number of whole lines a multi-line edit shows.
int VisibleLines(HWND edit);
// One line per control: "id class left top right bottom".
std::string Describe(const std::vector<ControlPlace>& places);
