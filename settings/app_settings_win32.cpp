#include "settings/app_settings.h"
#include "settings/mem_json.h"
#include "settings/settings_document.h"
#include "settings/settings_file_win32.h"

void CAppSettings::Load() {
    if (!SomethingExistsAt(path))
        return;
    CMemJson document;
    document.LoadFile(path);
    ReadSettings(document.root, *this);
}

void CAppSettings::Save() {
    CMemJson document;
    if (SomethingExistsAt(path))
        document.LoadFile(path);
    WriteSettings(document, *this);
    ReplaceWholeFile(path, document.ToText());
    modified = false;
}
