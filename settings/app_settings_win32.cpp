#include "settings/app_settings.h"
#include "settings/mem_json.h"
#include "settings/settings_document.h"
#include "settings/settings_file_win32.h"

bool CAppSettings::Load() {
    if (!SomethingExistsAt(path))
        return true;
    CMemJson document;
    document.LoadFile(path);
    fileUnread = false;
    return ReadSettings(document.root, *this) || document.root.Kind() == JsonKind::Null;
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
        // A hand edit, or a file of another program or version: kept before it is replaced.
        if (!parsed || SaveDropsForeignContents(document.root))
            KeepCopy(path, path + L".bak");
    }
    WriteSettings(document, *this);
    ReplaceWholeFile(path, document.ToText());
    modified = false;
    fileUnread = false;
}
