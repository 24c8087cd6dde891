#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/handle_win32.h"
#include "foundation/modules_win32.h"
#include "foundation/text_convert.h"

namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

[[noreturn]] void ThrowLastError(const std::wstring& path) { ThrowOsFileError(GetLastError(), path.c_str()); }

bool IsExistingFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The whole file from its current position; files of 4 GiB and more are not supported: one read
// request takes the whole file.
std::vector<char> ReadAllBytes(HANDLE file, const std::wstring& path) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) ThrowLastError(path);
    std::vector<char> bytes;
    if (size.QuadPart >= 1) {
        if (size.QuadPart > MAXDWORD) ThrowFileError(static_cast<int>(FileErrorCause::Generic), -1, path.c_str());
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) ThrowLastError(path);
        bytes.resize(read);
    }
    return bytes;
}

std::string ToUtf8(const wchar_t* text, size_t length) {
    std::string utf8;
    ToNarrow(utf8, text, static_cast<int>(length), CP_UTF8);
    return utf8;
}

// The byte-order mark and the text; nothing for an empty text.
void WriteText(HANDLE file, const std::string& utf8, const std::wstring& path) {
    if (utf8.empty()) return;
    DWORD written = 0;
    if (!WriteFile(file, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr)) ThrowLastError(path);
    if (!WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr)) ThrowLastError(path);
    if (written != utf8.size()) ThrowFileError(static_cast<int>(FileErrorCause::DiskFull), -1, path.c_str());
}

LONGLONG TextFileSize(const std::string& utf8) {
    return utf8.empty() ? 0 : static_cast<LONGLONG>(sizeof kByteOrderMark + utf8.size());
}

// Ends the file at size (growing or cutting it); the file position is left there.
void SetFileEnd(HANDLE file, LONGLONG size, const std::wstring& path) {
    LARGE_INTEGER position{};
    position.QuadPart = size;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) ThrowLastError(path);
}

void Rewind(HANDLE file, const std::wstring& path) {
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) ThrowLastError(path);
}

CHandle OpenForWriting(const std::wstring& path, DWORD access, DWORD disposition) {
    CHandle file(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) ThrowLastError(path);
    return file;
}

// Best effort after a failed overwrite: the old bytes fit the room they had before.
void PutBack(HANDLE file, const std::vector<char>& old) noexcept {
    DWORD written = 0;
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        return;
    if (!old.empty() && !WriteFile(file, old.data(), static_cast<DWORD>(old.size()), &written, nullptr))
        return;
    SetEndOfFile(file);
    FlushFileBuffers(file);
}

}  // namespace

void ReadWholeFile(const std::wstring& path, std::wstring& target) {
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) ThrowLastError(path);
    const std::vector<char> bytes = ReadAllBytes(file.Get(), path);
    file.Close();

    size_t skip = 0;
    if (bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == kByteOrderMark[0] &&
        static_cast<unsigned char>(bytes[1]) == kByteOrderMark[1] &&
        static_cast<unsigned char>(bytes[2]) == kByteOrderMark[2])
        skip = 3;
    ToWide(bytes.data() + skip, static_cast<int>(bytes.size() - skip), target, CP_UTF8);
}

void WriteWholeFile(const std::wstring& path, const wchar_t* text, size_t length, bool flushToDisk) {
    const std::string utf8 = ToUtf8(text, length);
    CHandle file = OpenForWriting(path, GENERIC_WRITE, CREATE_ALWAYS);
    WriteText(file.Get(), utf8, path);
    if (flushToDisk && !FlushFileBuffers(file.Get())) ThrowLastError(path);
}

void WriteNewWholeFile(const std::wstring& path, const wchar_t* text, size_t length) {
    const std::string utf8 = ToUtf8(text, length);
    CHandle file = OpenForWriting(path, GENERIC_WRITE, CREATE_NEW);
    try {
        WriteText(file.Get(), utf8, path);
        if (!FlushFileBuffers(file.Get())) ThrowLastError(path);
    } catch (const CFileException&) {
        file.Close();
        DeleteFileW(path.c_str());  // made by this call, so no one else's
        throw;
    }
}

void OverwriteWholeFile(const std::wstring& path, const wchar_t* text, size_t length) {
    const std::string utf8 = ToUtf8(text, length);
    CHandle file = OpenForWriting(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    const std::vector<char> old = ReadAllBytes(file.Get(), path);
    const LONGLONG size = TextFileSize(utf8);
    try {
        // Room first: where the disk is full this fails before a byte of the old text changes.
        if (size > static_cast<LONGLONG>(old.size())) SetFileEnd(file.Get(), size, path);
        Rewind(file.Get(), path);
        WriteText(file.Get(), utf8, path);
        SetFileEnd(file.Get(), size, path);
        if (!FlushFileBuffers(file.Get())) ThrowLastError(path);
    } catch (const CFileException&) {
        PutBack(file.Get(), old);
        throw;
    }
}

bool CreateDirectoryTree(const std::wstring& path) {
    if (path.empty() || IsExistingFolder(path)) return true;

    std::wstring trimmed = path;
    while (!trimmed.empty() && trimmed.back() == L'\\') trimmed.pop_back();
    if (trimmed.empty()) return true;
    size_t lastSeparator = trimmed.rfind(L'\\');
    if (lastSeparator == std::wstring::npos) return true;  // a drive such as C: or a bare name

    std::wstring parent = trimmed.substr(0, lastSeparator);
    if (!IsExistingFolder(parent) && !CreateDirectoryTree(parent)) return false;
    return CreateDirectoryW(trimmed.c_str(), nullptr) != FALSE;
}

std::wstring GetModulePath() {
    constexpr DWORD kLargestBuffer = 32769;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(ProgramModule(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        if (buffer.size() * 2 > kLargestBuffer) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring SettingsFolder() { return std::filesystem::path(GetModulePath()).parent_path().wstring(); }

std::wstring SettingsFilePath(const std::wstring& settingsFolder) {
    std::filesystem::path name = std::filesystem::path(GetModulePath()).filename();
    name.replace_extension(L".json");
    return (std::filesystem::path(settingsFolder) / name).wstring();
}
