#include <windows.h>

#include <cstdlib>

#include "app/quillcheck_app_win32.h"
#include "foundation/modules_win32.h"

namespace {

CQuillcheckApp* g_application = nullptr;

// Runs when the process ends, after the entry point returned: the shutdown proper.
void DeleteApplication() {
    delete g_application;  // its windows still dispatch through GetApp while they go
    g_application = nullptr;
    SetApp(nullptr);
}

}  // namespace

// The command line is ignored: the settings file is the only configuration.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    SetModules(instance, instance);
    g_application = new CQuillcheckApp();
    SetApp(g_application);
    std::atexit(&DeleteApplication);

    int exitCode = 0;
    if (!g_application->StartInstance(showCommand, exitCode))
        return exitCode;
    return RunMessageLoop(*g_application);
}
