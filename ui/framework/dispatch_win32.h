// The paths from Win32 into the objects, and the walks over a window's descendants.
#pragma once

#include <windows.h>

#include "ui/framework/window_win32.h"

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FrameworkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The one path into an object's HandleMessage: keeps the current message and the window map,
// and turns a std::exception from the handler into the application's chosen result.
LRESULT DispatchToObject(CWnd* object, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sends the message to every descendant (direct: straight to the descendants' objects only).
void ForwardToDescendants(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool direct);

// The object of the first descendant with that id that has one, or null.
CWnd* FindChildObjectById(HWND window, int controlId);

// Hands the current message to the object bound to control; true when it handled it.
bool ReflectToObject(HWND control, LRESULT* result);
