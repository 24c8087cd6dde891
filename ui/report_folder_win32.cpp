#include "ui/report_folder_win32.h"

#include <knownfolders.h>
#include <shlobj.h>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "settings/settings_file_win32.h"

namespace {

constexpr wchar_t kJournalExtension[] = L".qcjournal";
constexpr wchar_t kReportsFolderName[] = L"Quill Check reports";  // the same in every language

[[noreturn]] void ThrowLastError(const std::wstring& path) {
    ThrowOsFileError(GetLastError(), path.c_str());
}

// Owns a FindFirstFileW search.
class CFindHandle {
public:
    explicit CFindHandle(HANDLE handle) : handle_(handle) {}
    ~CFindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Opened for reading while letting others only read: fails with a sharing violation while a
// running copy of the program writes it.
CHandle OpenUnheld(const std::wstring& path) {
    return CHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

void ReadAt(HANDLE file, uint64_t offset, size_t length, std::string& into, const std::wstring& path) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        ThrowLastError(path);
    const size_t start = into.size();
    into.resize(start + length);
    DWORD read = 0;
    if (!ReadFile(file, into.data() + start, static_cast<DWORD>(length), &read, nullptr))
        ThrowLastError(path);
    into.resize(start + read);
}

}  // namespace

std::wstring DefaultReportsFolder() {
    PWSTR documents = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents)) && documents)
        folder = std::wstring(documents) + L'\\' + kReportsFolderName;
    CoTaskMemFree(documents);
    return folder;
}

std::wstring CReportFolder::PathOf(const std::wstring& baseName, const wchar_t* extension) const {
    return folder + L'\\' + baseName + extension;
}

void CReportFolder::MakeFolder() const {
    if (folder.empty())
        ThrowFileError(static_cast<int>(FileErrorCause::BadPath), -1, folder.c_str());
    if (!CreateDirectoryTree(folder))
        ThrowLastError(folder);
}

void CReportFolder::OpenJournal(const std::wstring& baseName) {
    CloseJournal(false);
    MakeFolder();
    journalPath_ = PathOf(baseName, kJournalExtension);
    journal_.Reset(CreateFileW(journalPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!journal_.IsValid()) {
        journal_.Reset();
        ThrowLastError(journalPath_);
    }
}

void CReportFolder::AppendJournal(std::string_view bytes) {
    if (!journal_.IsValid())
        return;
    DWORD written = 0;
    if (!WriteFile(journal_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        ThrowLastError(journalPath_);
    if (written != bytes.size())
        ThrowFileError(static_cast<int>(FileErrorCause::DiskFull), -1, journalPath_.c_str());
}

void CReportFolder::FlushJournal() {
    if (journal_.IsValid() && !FlushFileBuffers(journal_.Get()))
        ThrowLastError(journalPath_);
}

void CReportFolder::CloseJournal(bool remove) noexcept {
    if (!journal_.IsValid())
        return;
    journal_.Close();
    if (remove)
        DeleteFileW(journalPath_.c_str());
}

std::wstring CReportFolder::SaveReport(const std::wstring& baseName, const std::wstring& report,
                                       const std::wstring& summary) {
    MakeFolder();
    const std::wstring path = PathOf(baseName, L".txt");
    ReplaceWholeFile(path, report);
    ReplaceWholeFile(PathOf(baseName, L".json"), summary);
    return path;
}

std::vector<std::wstring> CReportFolder::LeftoverJournals() {
    std::vector<std::wstring> names;
    if (folder.empty())
        return names;
    WIN32_FIND_DATAW found{};
    CFindHandle search(FindFirstFileW(PathOf(L"*", kJournalExtension).c_str(), &found));
    if (search.Get() == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring name = found.cFileName;
        const size_t extension = std::size(kJournalExtension) - 1;
        if (name.size() <= extension)
            continue;
        name.resize(name.size() - extension);
        // A journal another running copy writes is that copy's test, not a leftover.
        if (name + kJournalExtension == journalPath_.substr(journalPath_.find_last_of(L'\\') + 1))
            continue;
        if (!OpenUnheld(PathOf(name, kJournalExtension)).IsValid() && GetLastError() == ERROR_SHARING_VIOLATION)
            continue;
        names.push_back(name);
    } while (FindNextFileW(search.Get(), &found));
    return names;
}

IReportStore::JournalText CReportFolder::ReadLeftover(const std::wstring& baseName) {
    const std::wstring path = PathOf(baseName, kJournalExtension);
    CHandle file = OpenUnheld(path);
    if (!file.IsValid())
        ThrowLastError(path);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        ThrowLastError(path);
    const auto bytes = static_cast<uint64_t>(size.QuadPart);
    JournalText journal;
    if (bytes <= kWholeJournal) {
        ReadAt(file.Get(), 0, static_cast<size_t>(bytes), journal.text, path);
        return journal;
    }
    // The setup is at the start and the latest figures and lines at the end: the middle of a
    // huge journal (a test failing every cycle for days) would cost the start seconds.
    const uint64_t tail = kWholeJournal - kJournalHead;
    ReadAt(file.Get(), 0, kJournalHead, journal.text, path);
    journal.text += '\n';
    ReadAt(file.Get(), bytes - tail, static_cast<size_t>(tail), journal.text, path);
    journal.unreadBytes = bytes - kWholeJournal;
    return journal;
}

void CReportFolder::RemoveLeftover(const std::wstring& baseName) noexcept {
    DeleteFileW(PathOf(baseName, kJournalExtension).c_str());
}
