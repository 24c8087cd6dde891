#include "settings/app_settings.h"
#include "settings/mem_json.h"
#include "settings/settings_document.h"
#include "settings/settings_file_win32.h"

void CAppSettings::Load() {
    if (!SomethingExistsAt(path))
        return;
    CMemJson document;
    document.LoadFile(path);
    fileUnread = false;
    ReadSettings(document.root, *this);
}

void CAppSettings::Save() {
    CMemJson document;
    if (SomethingExistsAt(path)) {
        const bool parsed = document.LoadFile(path);
        if (fileUnread) {
            CAppSettings inFile;
            ReadSettings(document.root, inFile);
            TakeUnchangedFromFile(inFile, *this);
        }
        if (!parsed)
            KeepCopy(path, path + L".bak");
    }
    WriteSettings(document, *this);
    ReplaceWholeFile(path, document.ToText());
    modified = false;
    fileUnread = false;
}
