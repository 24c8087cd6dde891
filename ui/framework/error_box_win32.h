// The program's message box: a task dialog with an error icon and one "OK" button.
#pragma once

#include <windows.h>

#include <string>

// Shows the text, owned by owner (or the main window when null); returns the button id pressed.
int ShowErrorBox(const std::wstring& text, HWND owner);
