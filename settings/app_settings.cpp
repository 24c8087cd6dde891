#include "settings/app_settings.h"

void CAppSettings::SetPort(const std::wstring& name) {
    if (name == port)
        return;
    port = name;
    modified = true;
}
