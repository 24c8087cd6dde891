// Stand-in for the settings library while it is being written: loads and saves nothing.
#include "settings/app_settings.h"

void CAppSettings::Load() {}
void CAppSettings::Save() {
    modified = false;
}
void CAppSettings::SetPort(const std::wstring& name) {
    if (port != name)
        modified = true;
    port = name;
}
