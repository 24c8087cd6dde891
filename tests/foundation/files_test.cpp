#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/errors.h"
#include "foundation/files.h"
#include "foundation/temporary_name.h"
#include "tests/support/file_failure.h"
#include "tests/support/temp_folder_win32.h"

namespace {

// A fresh folder under the temporary folder, removed (best effort) afterwards.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.Created()); }

    std::wstring Path(const std::wstring& name) const { return folder_.Path(name); }

    static void WriteBytes(const std::wstring& path, const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(path, bytes));
    }
    static std::string ReadBytes(const std::wstring& path) { return ReadFileBytes(path); }

    // True when nobody else holds the file open: an exclusive open succeeds only then.
    static bool NoOtherHandleOpen(const std::wstring& path) {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        return true;
    }

    static CFileException ReadFailure(const std::wstring& path) {
        std::wstring text;
        try {
            ReadWholeFile(path, text);
        } catch (const CFileException& e) {
            return e;
        }
        ADD_FAILURE() << "ReadWholeFile did not throw";
        return CFileException(0, L"", 0);
    }

    static CFileException WriteFailure(const std::wstring& path, const std::wstring& text) {
        try {
            WriteWholeFile(path, text.c_str(), text.size());
        } catch (const CFileException& e) {
            return e;
        }
        ADD_FAILURE() << "WriteWholeFile did not throw";
        return CFileException(0, L"", 0);
    }

    CTempFolder folder_{L"qc_files_"};
};

struct ReadCase {
    const char* name;
    std::string bytes;
    std::wstring text;
};

TEST_F(FilesTest, ReadWholeFileTable) {
    const ReadCase cases[] = {
        {"empty", "", L""},
        {"only the mark", "\xEF\xBB\xBF", L""},
        {"cut mark kept", "\xEF\xBB", L"\xFFFD\xFFFD"},
        {"mark removed", "\xEF\xBB\xBF{}", L"{}"},
        {"no mark", "{}", L"{}"},
        {"Cyrillic", "\xEF\xBB\xBF\xD0\x9A", L"\x041A"},
        {"CR LF kept", "a\r\nb", L"a\r\nb"},
        {"NUL in the middle", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const ReadCase& c : cases) {
        std::wstring path = Path(L"read.txt");
        WriteBytes(path, c.bytes);
        std::wstring text = L"old";
        ReadWholeFile(path, text);
        if (std::string(c.name) == "cut mark kept") {
            EXPECT_FALSE(text.empty()) << c.name;  // converted, nothing removed
        } else {
            EXPECT_EQ(text, c.text) << c.name;
        }
        EXPECT_TRUE(NoOtherHandleOpen(path)) << c.name;
    }
}

TEST_F(FilesTest, InvalidUtf8IsReplacedNotFatal) {
    std::wstring path = Path(L"bad.txt");
    WriteBytes(path,
               "\xEF\xBB\xBF"
               "a\xC3\x28z\xFF");
    std::wstring text;
    ReadWholeFile(path, text);
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.front(), L'a');
    EXPECT_NE(text.find(L'z'), std::wstring::npos);
    EXPECT_NE(text.find(L'\xFFFD'), std::wstring::npos);
}

TEST_F(FilesTest, ReadFailuresCarryCauseAndName) {
    CFileException missing = ReadFailure(Path(L"missing.json"));
    EXPECT_EQ(missing.cause, 2);
    EXPECT_EQ(missing.osError, 2);
    EXPECT_EQ(missing.fileName, Path(L"missing.json"));

    CFileException missingFolder = ReadFailure(Path(L"nofolder\\x.json"));
    EXPECT_EQ(missingFolder.cause, 3);
    EXPECT_EQ(missingFolder.osError, 3);

    CreateDirectoryW(Path(L"folder.json").c_str(), nullptr);
    CFileException folder = ReadFailure(Path(L"folder.json"));
    EXPECT_NE(folder.cause, 0);
}

TEST_F(FilesTest, ReadOfAFileOpenForWritingIsASharingViolation) {
    std::wstring path = Path(L"busy.json");
    WriteBytes(path, "{}");
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    CFileException e = ReadFailure(path);
    CloseHandle(writer);
    EXPECT_EQ(e.cause, 11);
    EXPECT_EQ(e.osError, 32);
}

TEST_F(FilesTest, FailingReadClosesItsHandle) {
    // A pipe opens like a file, but its size cannot be queried: the read fails after the open,
    // and the server end then sees whether the reader's handle was closed.
    const std::wstring name = L"\\\\.\\pipe\\qc_files_" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64,
                                     64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    std::wstring text;
    bool threw = false;
    try {
        ReadWholeFile(name, text);
    } catch (const CFileException& e) {
        threw = true;
        EXPECT_EQ(e.fileName, name);
        EXPECT_NE(e.osError, 0);
    }
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_TRUE(threw);
    EXPECT_EQ(handlesAfter, handlesBefore);
    DWORD available = 0;
    EXPECT_FALSE(PeekNamedPipe(server, nullptr, 0, nullptr, &available, nullptr));
    CloseHandle(server);
}

TEST_F(FilesTest, WriteWholeFileBytes) {
    std::wstring path = Path(L"w.json");
    WriteWholeFile(path, L"", 0);
    EXPECT_EQ(ReadBytes(path), "");
    WriteWholeFile(path, L"a", 1);
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF"
              "a");
    WriteWholeFile(path, L"\x041A\r\n", 3);
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF\xD0\x9A\r\n");
    WriteWholeFile(path, L"xyz", 2);  // the length counts, not the null
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF"
              "xy");
    EXPECT_TRUE(NoOtherHandleOpen(path));

    std::wstring back;
    WriteWholeFile(path, L"\x041A\x0432", 2);
    ReadWholeFile(path, back);
    EXPECT_EQ(back, L"\x041A\x0432");
}

// Written over the old text without emptying the file first: it ends where the new text ends.
TEST_F(FilesTest, OverwriteWholeFileBytes) {
    struct Case {
        const char* what;
        std::string old;
        std::wstring text;
        std::string bytes;
    };
    const Case cases[] = {
        {"shorter than the old text", "0123456789abcdef", L"ab", "\xEF\xBB\xBF" "ab"},
        {"longer than the old text", "x", L"\x041A\r\n", "\xEF\xBB\xBF\xD0\x9A\r\n"},
        {"empty", "old", L"", ""},
    };
    const std::wstring path = Path(L"in-place.json");
    for (const Case& c : cases) {
        WriteBytes(path, c.old);
        OverwriteWholeFile(path, c.text.c_str(), c.text.size());
        EXPECT_EQ(ReadBytes(path), c.bytes) << c.what;
        EXPECT_TRUE(NoOtherHandleOpen(path)) << c.what;
    }
    CFileException missing = FileFailureOf([&] { OverwriteWholeFile(Path(L"missing.json"), L"a", 1); });
    EXPECT_EQ(missing.osError, 2);
    EXPECT_EQ(ReadBytes(Path(L"missing.json")), "<missing>");  // never created
}

// The temporary name beside a file: the same folder, a name no longer than the file's own.
TEST_F(FilesTest, TemporaryPathBeside) {
    const struct {
        std::wstring path, temporary;
    } cases[] = {
        {L"C:\\d\\report.txt", L"C:\\d\\~87654321"},
        {L"C:\\d\\a.txt", L"C:\\d\\~8765"},
        {L"C:\\d\\x", L"C:\\d\\8"},
        {L"D:/a/b.json", L"D:/a/~87654"},
        {L"report.txt", L"~87654321"},
        {L"C:report.txt", L"C:~87654321"},
        {L"\\\\?\\C:\\long\\report.txt", L"\\\\?\\C:\\long\\~87654321"},
    };
    for (const auto& c : cases) EXPECT_EQ(TemporaryPathBeside(c.path, 0x12345678), c.temporary);
    EXPECT_NE(TemporaryPathBeside(L"C:\\d\\a.txt", 1), TemporaryPathBeside(L"C:\\d\\a.txt", 2));
    // A name that just fits MAX_PATH: so does the temporary one.
    const std::wstring longest = L"C:\\" + std::wstring(MAX_PATH - 1 - 3 - 9, L'd') + L"\\" + std::wstring(8, L'n');
    EXPECT_LE(TemporaryPathBeside(longest, 0xFFFFFFFF).size(), longest.size());
}

TEST_F(FilesTest, WriteFailures) {
    CFileException missingFolder = WriteFailure(Path(L"nofolder\\x.json"), L"a");
    EXPECT_EQ(missingFolder.cause, 3);
    EXPECT_EQ(missingFolder.osError, 3);

    CreateDirectoryW(Path(L"dir.json").c_str(), nullptr);
    CFileException folder = WriteFailure(Path(L"dir.json"), L"a");
    EXPECT_EQ(folder.cause, 5);

    std::wstring busy = Path(L"busy.json");
    WriteBytes(busy, "old");
    HANDLE reader =
        CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CFileException shared = WriteFailure(busy, L"new");
    CloseHandle(reader);
    EXPECT_EQ(shared.cause, 11);
    EXPECT_EQ(ReadBytes(busy), "old");
}

TEST_F(FilesTest, WriteToAReadOnlyFileIsDenied) {
    std::wstring readOnly = Path(L"ro.json");
    WriteBytes(readOnly, "old");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        // Wine maps the attribute to Unix permissions, which do not bind the superuser.
        CloseHandle(probe);
        SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "read-only files are writable here (running as root)";
    }
    CFileException denied = WriteFailure(readOnly, L"new");
    EXPECT_EQ(denied.cause, 5);
    EXPECT_EQ(denied.osError, 5);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(readOnly), "old");
}

TEST_F(FilesTest, CreateDirectoryTree) {
    EXPECT_TRUE(CreateDirectoryTree(L""));
    EXPECT_TRUE(CreateDirectoryTree(folder_.Root()));
    std::wstring deep = Path(L"A\\B\\C");
    EXPECT_TRUE(CreateDirectoryTree(deep));
    DWORD attributes = GetFileAttributesW(deep.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_TRUE(CreateDirectoryTree(Path(L"D\\E\\\\\\")));  // trailing separators ignored
    EXPECT_NE(GetFileAttributesW(Path(L"D\\E").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(CreateDirectoryTree(deep));  // existing: nothing to do

    WriteBytes(Path(L"file"), "x");
    EXPECT_FALSE(CreateDirectoryTree(Path(L"file\\sub")));  // a file stands where a folder must
}

TEST_F(FilesTest, ModuleAndSettingsPaths) {
    std::wstring module = GetModulePath();
    ASSERT_FALSE(module.empty());
    EXPECT_EQ(module.substr(module.size() - 4), L".exe");
    std::wstring folder = SettingsFolder();
    EXPECT_EQ(module.substr(0, folder.size()), folder);
    std::wstring settings = SettingsFilePath(L"D:\\Tools\\Reader");
    size_t slash = module.find_last_of(L"\\/");
    std::wstring stem = module.substr(slash + 1, module.size() - slash - 1 - 4);
    EXPECT_EQ(settings, L"D:\\Tools\\Reader\\" + stem + L".json");
}

}  // namespace
