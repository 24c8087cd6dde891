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

namespace {

bool IsPlainFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder refused a new file while nothing stands in the temporary file's place and the file
// itself is there to be overwritten.
bool FolderRefusesNewFiles(const CFileException& failure, const std::wstring& temporary, const std::wstring& path) {
    return failure.osError == ERROR_ACCESS_DENIED && !SomethingExistsAt(temporary) && IsPlainFile(path);
}

}  // namespace

void ReplaceWholeFile(const std::wstring& path, const std::wstring& text) {
    // Same folder, so the move is a rename on one volume and cannot fail half-way. The data is
    // flushed first: write-through covers the rename, not the data written before it, and a
    // power cut must not leave an empty file in the old one's place.
    const std::wstring temporary = path + L".new";
    try {
        WriteWholeFile(temporary, text.c_str(), text.size(), true);
    } catch (const CFileException& e) {
        DeleteFileW(temporary.c_str());
        if (FolderRefusesNewFiles(e, temporary, path)) {
            WriteWholeFile(path, text.c_str(), text.size(), true);
            return;
        }
        throw CFileException(e.cause, path, e.osError);
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        ThrowOsFileError(error, path.c_str());
    }
}

void KeepCopy(const std::wstring& path, const std::wstring& copyPath) {
    if (!CopyFileW(path.c_str(), copyPath.c_str(), FALSE))
        ThrowOsFileError(GetLastError(), copyPath.c_str());
}
