#include "settings/settings_file_win32.h"

#include <windows.h>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/temporary_name.h"

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

// Someone else's file or folder stands at the temporary name: another name is tried.
bool NameTaken(const CFileException& failure, const std::wstring& temporary) {
    return failure.osError == ERROR_FILE_EXISTS || failure.osError == ERROR_ALREADY_EXISTS ||
           (failure.osError == ERROR_ACCESS_DENIED && SomethingExistsAt(temporary));
}

// Seeds differ between calls and between processes, so names rarely need a second try.
uint32_t NextSeed() {
    static uint32_t calls = 0;  // user-interface thread only, as every save
    return static_cast<uint32_t>(GetTickCount64()) * 2654435761u ^ GetCurrentProcessId() * 40503u ^ ++calls;
}

constexpr int kNameAttempts = 100;

}  // namespace

void ReplaceWholeFile(const std::wstring& path, const std::wstring& text) {
    // Same folder, so the move is a rename on one volume and cannot fail half-way. The data is
    // flushed first: write-through covers the rename, not the data written before it, and a
    // power cut must not leave an empty file in the old one's place. The name is one that no
    // file holds (a user's own report.txt.new stays untouched) and no longer than the file's own.
    std::wstring temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = TemporaryPathBeside(path, NextSeed());
        try {
            WriteNewWholeFile(temporary, text.c_str(), text.size());
            break;
        } catch (const CFileException& e) {
            if (NameTaken(e, temporary) && attempt + 1 < kNameAttempts)
                continue;
            // A folder that refuses new files while the file itself is there to be overwritten.
            if (e.osError == ERROR_ACCESS_DENIED && !SomethingExistsAt(temporary) && IsPlainFile(path)) {
                OverwriteWholeFile(path, text.c_str(), text.size());
                return;
            }
            throw CFileException(e.cause, path, e.osError);
        }
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
