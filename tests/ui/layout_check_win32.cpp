#include "tests/ui/layout_check_win32.h"

#include <cstdio>

#include "foundation/text_convert.h"

namespace {

std::string ToUtf8(const std::wstring& text) {
    std::string narrow;
    ToNarrow(narrow, text.c_str(), -1, kCodePageUtf8);
    return narrow;
}

std::string Name(const ControlPlace& place) {
    char text[160];
    std::snprintf(text, sizeof(text), "%d %s (%ld,%ld)-(%ld,%ld)", place.id, ToUtf8(place.className).c_str(),
                  place.rect.left, place.rect.top, place.rect.right, place.rect.bottom);
    return text;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool IsGroupBox(HWND control) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    return _wcsicmp(className, L"Button") == 0 && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

std::wstring WindowText(HWND control) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    return text;
}

// The text's extent with the control's font, on one line, with '&' taken as the prefix mark
// unless the control says otherwise.
SIZE TextExtent(HWND control, const std::wstring& text, bool prefix) {
    HDC dc = GetDC(control);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// What the system draws beside a button's text on its line, in pixels. A push button: the
// default button's extra frame line, the 3-D edge and the label's one-pixel margin, on each side
// (the dialog manager makes the focused button the default one). A check box or radio button:
// the box (12 pixels at 96 DPI and one), a gap of half the width of a digit in its font, and the
// focus frame drawn one pixel out on each side of the text.
int ButtonTextAllowance(HWND control, bool box) {
    if (!box)
        return 2 * (GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXEDGE) + 1);
    const int boxWidth = 12 * static_cast<int>(GetDpiForWindow(control)) / 96 + 1;
    HDC dc = GetDC(control);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    INT digit = 0;
    GetCharWidthW(dc, L'0', L'0', &digit);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return boxWidth + digit / 2 + 2;
}

}  // namespace

std::vector<ControlPlace> ChildPlaces(HWND parent) {
    std::vector<ControlPlace> places;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        ControlPlace place;
        place.id = static_cast<short>(GetDlgCtrlID(child));
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        place.className = className;
        GetWindowRect(child, &place.rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place.rect), 2);
        places.push_back(place);
    }
    return places;
}

std::string TextFault(HWND control) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring text = WindowText(control);
    if (text.empty())
        return {};
    RECT client{};
    GetClientRect(control, &client);
    int room = client.right;
    const bool isStatic = _wcsicmp(className, L"Static") == 0;
    if (isStatic) {
        if ((style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_SIMPLE &&
            (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP)
            return {};  // icons, frames and pictures carry no text to fit
    } else if (_wcsicmp(className, L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            return {};
        const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                         type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
        room -= ButtonTextAllowance(control, box);
    } else {
        return {};
    }
    const SIZE extent = TextExtent(control, text, !(isStatic && (style & SS_NOPREFIX)));
    if (extent.cx <= room && extent.cy <= client.bottom)
        return {};
    char line[300];
    std::snprintf(line, sizeof(line), "text \"%s\" of %d needs %ldx%ld, has %dx%ld", ToUtf8(text).c_str(),
                  static_cast<short>(GetDlgCtrlID(control)), extent.cx, extent.cy, room, client.bottom);
    return line;
}

int VisibleLines(HWND edit) {
    RECT text{};
    SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    HDC dc = GetDC(edit);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    return metrics.tmHeight > 0 ? (text.bottom - text.top) / metrics.tmHeight : 0;
}

std::vector<std::string> LayoutFaults(HWND parent) {
    std::vector<std::string> faults;
    RECT client{};
    GetClientRect(parent, &client);
    const std::vector<ControlPlace> places = ChildPlaces(parent);
    std::vector<HWND> windows;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)
            windows.push_back(child);
    }
    for (size_t i = 0; i < places.size(); ++i) {
        if (!Contains(client, places[i].rect))
            faults.push_back("outside the client area: " + Name(places[i]));
        if (std::string text = TextFault(windows[i]); !text.empty())
            faults.push_back(text);
        for (size_t j = i + 1; j < places.size(); ++j) {
            RECT common{};
            if (!IntersectRect(&common, &places[i].rect, &places[j].rect))
                continue;
            if ((IsGroupBox(windows[i]) && Contains(places[i].rect, places[j].rect)) ||
                (IsGroupBox(windows[j]) && Contains(places[j].rect, places[i].rect)))
                continue;
            faults.push_back("overlap: " + Name(places[i]) + " and " + Name(places[j]));
        }
    }
    return faults;
}

std::string Describe(const std::vector<ControlPlace>& places) {
    std::string text;
    for (const ControlPlace& place : places) text += Name(place) + "\n";
    return text;
}
