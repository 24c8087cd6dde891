#include "settings/settings_file_win32.h"

#include <windows.h>

#include "foundation/errors.h"
#include "foundation/files.h"

bool SomethingExistsAt(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return false;
    ThrowOsFileError(error, path.c_str());
}

void ReplaceWholeFile(const std::wstring& path, const std::wstring& text) {
    // Same folder, so the move is a rename on one volume and cannot fail half-way.
    const std::wstring temporary = path + L".new";
    try {
        WriteWholeFile(temporary, text.c_str(), text.size());
    } catch (const CFileException& e) {
        DeleteFileW(temporary.c_str());
        throw CFileException(e.cause, path, e.osError);
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        ThrowOsFileError(error, path.c_str());
    }
}
