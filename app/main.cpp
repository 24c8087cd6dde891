#include <windows.h>

#include "foundation/modules_win32.h"

// Start-up proper (settings, single instance, main window) arrives with the application shell.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetModules(instance, instance);
    return 0;
}
