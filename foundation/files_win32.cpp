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

}  // namespace

void ReadWholeFile(const std::wstring& path, std::wstring& target) {
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) ThrowLastError(path);

    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) ThrowLastError(path);

    // Files of 4 GiB and more are not supported: one read request takes the whole file.
    std::vector<char> bytes;
    if (size.QuadPart >= 1) {
        if (size.QuadPart > MAXDWORD) ThrowFileError(static_cast<int>(FileErrorCause::Generic), -1, path.c_str());
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
            ThrowLastError(path);
        bytes.resize(read);
    }
    file.Close();

    size_t skip = 0;
    if (bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == kByteOrderMark[0] &&
        static_cast<unsigned char>(bytes[1]) == kByteOrderMark[1] &&
        static_cast<unsigned char>(bytes[2]) == kByteOrderMark[2])
        skip = 3;
    ToWide(bytes.data() + skip, static_cast<int>(bytes.size() - skip), target, CP_UTF8);
}

void WriteWholeFile(const std::wstring& path, const wchar_t* text, size_t length, bool flushToDisk) {
    std::string utf8;
    ToNarrow(utf8, text, static_cast<int>(length), CP_UTF8);

    CHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) ThrowLastError(path);
    if (utf8.empty()) return;

    DWORD written = 0;
    if (!WriteFile(file.Get(), kByteOrderMark, sizeof kByteOrderMark, &written, nullptr)) ThrowLastError(path);
    if (!WriteFile(file.Get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr))
        ThrowLastError(path);
    if (written != utf8.size()) ThrowFileError(static_cast<int>(FileErrorCause::DiskFull), -1, path.c_str());
    if (flushToDisk && !FlushFileBuffers(file.Get())) ThrowLastError(path);
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
