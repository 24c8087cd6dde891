// Load and Save against real files (Windows build, under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "settings/app_settings.h"
#include "tests/support/file_failure.h"
#include "tests/support/temp_folder_win32.h"

namespace {

const char kSampleFile[] =
    "\xEF\xBB\xBF{\r\n"
    "\t\"info\": {\r\n"
    "\t\t\"name\": \"Quillcheck\",\r\n"
    "\t\t\"version\": \"1\"\r\n"
    "\t},\r\n"
    "\t\"main\": {\r\n"
    "\t\t\"formPos\": [\r\n"
    "\t\t\t100,\r\n"
    "\t\t\t80,\r\n"
    "\t\t\t500,\r\n"
    "\t\t\t400\r\n"
    "\t\t],\r\n"
    "\t\t\"allPorts\": false,\r\n"
    "\t\t\"port\": \"\",\r\n"
    "\t\t\"block\": 1,\r\n"
    "\t\t\"authKey\": \"ffffffffffff\",\r\n"
    "\t\t\"useReaderKeys\": false,\r\n"
    "\t\t\"keyB\": false\r\n"
    "\t},\r\n"
    "\t\"log\": {\r\n"
    "\t\t\"logLevel\": 0\r\n"
    "\t}\r\n"
    "}\r\n";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Created());
        settings_.path = folder_.Path(L"Check.json");
    }

    static void WriteBytes(const std::wstring& path, const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(path, bytes));
    }
    static std::string ReadBytes(const std::wstring& path) { return ReadFileBytes(path); }
    // The names in a folder, sorted.
    static std::vector<std::wstring> FolderNames(const std::wstring& folder) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
                names.push_back(found.cFileName);
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
    static bool Exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    CFileException SaveFailure() {
        return FileFailureOf([this] { settings_.Save(); });
    }
    CFileException LoadFailure() {
        return FileFailureOf([this] { settings_.Load(); });
    }

    CTempFolder folder_{L"qc_settings_"};
    CAppSettings settings_;
};

TEST_F(SettingsFileTest, FirstSaveWritesTheSampleByteForByte) {
    settings_.formPos = {100, 80, 500, 400};
    settings_.modified = true;
    settings_.Save();
    EXPECT_FALSE(settings_.modified);
    EXPECT_EQ(ReadBytes(settings_.path), kSampleFile);
    EXPECT_FALSE(Exists(settings_.path + L".new"));

    settings_.modified = true;
    settings_.Save();
    EXPECT_EQ(ReadBytes(settings_.path), kSampleFile);  // saving twice: byte-identical
}

TEST_F(SettingsFileTest, FieldsSurviveARestart) {
    settings_.formPos = {-8, 16, 900, 700};
    settings_.allPorts = true;
    settings_.SetPort(L"COM\u041a7");
    settings_.block = 255;
    settings_.authKey = 0x0000a0a1a2a3;
    settings_.useReaderKeys = true;
    settings_.keyB = true;
    settings_.logLevel = 6;
    settings_.Save();

    CAppSettings restarted;
    restarted.path = settings_.path;
    restarted.modified = true;
    restarted.Load();
    EXPECT_FALSE(restarted.modified);
    EXPECT_EQ(restarted.formPos, settings_.formPos);
    EXPECT_TRUE(restarted.allPorts);
    EXPECT_EQ(restarted.port, L"COM\u041a7");
    EXPECT_EQ(restarted.block, 255);
    EXPECT_EQ(restarted.authKey, 0x0000a0a1a2a3u);
    EXPECT_TRUE(restarted.useReaderKeys);
    EXPECT_TRUE(restarted.keyB);
    EXPECT_EQ(restarted.logLevel, 6);
    std::string bytes = ReadBytes(settings_.path);
    EXPECT_NE(bytes.find("\"block\": 255,"), std::string::npos);
    EXPECT_NE(bytes.find("\"port\": \"COM\xD0\x9A"
                         "7\""),
              std::string::npos);
}

TEST_F(SettingsFileTest, MissingFileKeepsDefaults) {
    settings_.block = 12;
    settings_.Load();
    EXPECT_EQ(settings_.block, 12);
    EXPECT_FALSE(Exists(settings_.path));

    settings_.path = folder_.Path(L"no folder\\Check.json");
    settings_.Load();
    EXPECT_EQ(settings_.block, 12);
}

TEST_F(SettingsFileTest, HostileFilesLoadWithoutHarm) {
    struct Case {
        const char* name;
        std::string bytes;
        int32_t block;
    };
    std::string deep = std::string(200000, '[');
    std::string big = "{\"info\":{},\"main\":{\"port\":\"" + std::string(6'000'000, 'p') + "\",\"block\":3}}";
    const Case cases[] = {
        {"empty", "", 1},
        {"only the mark", "\xEF\xBB\xBF", 1},
        {"nested", deep, 1},
        {"nested objects in main", "{\"info\":{},\"main\":{\"block\":4,\"x\":" + deep, 4},
        {"multi-megabyte", big, 3},
        {"invalid UTF-8", "{\"info\":{},\"main\":{\"port\":\"\xC3\x28\xFF\",\"block\":5}}", 5},
        {"NUL in the middle", std::string("{\"info\":{},\"main\":{\"block\":6,\0\"block\":7}}", 41), 6},
        {"truncated", "{\"info\":{},\"main\":{\"block\":8,\"keyB\":tr", 8},
        {"binary noise", std::string("\x00\xFF\xFE\x01{[\"", 7), 1},
    };
    for (const Case& c : cases) {
        WriteBytes(settings_.path, c.bytes);
        CAppSettings loaded;
        loaded.path = settings_.path;
        loaded.Load();
        EXPECT_EQ(loaded.block, c.block) << c.name;
        EXPECT_EQ(ReadBytes(settings_.path), c.bytes) << c.name;  // loading never writes
    }
}

TEST_F(SettingsFileTest, FolderInThePlaceOfTheFile) {
    ASSERT_TRUE(CreateDirectoryW(settings_.path.c_str(), nullptr));
    CFileException load = LoadFailure();
    EXPECT_EQ(load.fileName, settings_.path);
    EXPECT_EQ(settings_.block, 1);

    settings_.modified = true;
    CFileException save = SaveFailure();
    EXPECT_EQ(save.fileName, settings_.path);
    EXPECT_TRUE(settings_.modified);
    DWORD attributes = GetFileAttributesW(settings_.path.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

// The temporary file gets a name no file holds: a user's own file or folder of the name the save
// once used is left as it is, and nothing is left beside the settings.
TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFile) {
    const std::string old = std::string(kSampleFile);
    WriteBytes(settings_.path, old);
    WriteBytes(settings_.path + L".new", "the user's own");
    ASSERT_TRUE(CreateDirectoryW(folder_.Path(L"~").c_str(), nullptr));
    settings_.block = 9;
    settings_.modified = true;
    settings_.Save();
    EXPECT_FALSE(settings_.modified);
    EXPECT_NE(ReadBytes(settings_.path).find("\"block\": 9,"), std::string::npos);
    EXPECT_EQ(ReadBytes(settings_.path + L".new"), "the user's own");
    EXPECT_EQ(FolderNames(folder_.Root()), (std::vector<std::wstring>{L"Check.json", L"Check.json.new", L"~"}));
}

TEST_F(SettingsFileTest, FileHeldOpenByAnotherProgram) {
    const std::string old = std::string(kSampleFile);
    WriteBytes(settings_.path, old);
    HANDLE holder = CreateFileW(settings_.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    CFileException load = LoadFailure();
    EXPECT_EQ(load.cause, static_cast<int>(FileErrorCause::SharingViolation));

    settings_.block = 9;
    settings_.modified = true;
    CFileException save = SaveFailure();
    EXPECT_EQ(save.cause, static_cast<int>(FileErrorCause::SharingViolation));
    EXPECT_TRUE(settings_.modified);
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(settings_.path), old);
    EXPECT_FALSE(Exists(settings_.path + L".new"));
}

// A file held by another program at start (a backup or sync program): the program runs on the
// defaults, and the save at close reads the file again and keeps what the user did not change,
// instead of writing the defaults over the user's port, block and key.
TEST_F(SettingsFileTest, FileUnreadAtStartIsReadAgainBeforeTheSave) {
    CAppSettings stored;
    stored.path = settings_.path;
    stored.SetPort(L"COM7");
    stored.block = 3;
    stored.authKey = 0x0000a0a1a2a3;
    stored.Save();
    HANDLE holder = CreateFileW(settings_.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    LoadFailure();
    settings_.fileUnread = true;  // what start-up marks after that failure
    CloseHandle(holder);

    settings_.formPos = {10, 20, 600, 500};  // the window's place always counts as a change
    settings_.block = 9;                     // the user's one choice
    settings_.modified = true;
    settings_.Save();
    EXPECT_FALSE(settings_.fileUnread);

    CAppSettings restarted;
    restarted.path = settings_.path;
    restarted.Load();
    EXPECT_EQ(restarted.port, L"COM7");
    EXPECT_EQ(restarted.authKey, 0x0000a0a1a2a3u);
    EXPECT_EQ(restarted.block, 9);
    EXPECT_EQ(restarted.formPos, (std::array<int32_t, 4>{10, 20, 600, 500}));
}

// A file the save would not keep whole (a hand edit with one misplaced comma, another program's
// or version's file, a member of another kind) is kept beside the new one before it is replaced;
// a file the save keeps whole leaves no copy. A file that is there but not taken says so.
TEST_F(SettingsFileTest, FileWithASyntaxErrorIsCopiedBeforeTheSave) {
    const std::wstring copy = settings_.path + L".bak";
    struct Case {
        const char* name;
        std::string bytes;
        bool copied;
        bool taken;
    };
    std::string unknownMember = kSampleFile;
    unknownMember.replace(unknownMember.find("\"keyB\": false"), 13, "\"keyB\": false,\"extra\": 5");
    std::string otherKind = kSampleFile;
    otherKind.replace(otherKind.find("\"keyB\": false"), 13, "\"keyB\": \"yes\"");
    const Case cases[] = {
        {"misplaced comma", "{\"info\":{\"name\":\"Quillcheck\",\"version\":\"1\"},\"main\":{\"block\":5,,}}", true, true},
        {"cut off", std::string(kSampleFile).substr(0, 60), true, true},
        {"clean", kSampleFile, false, true},
        {"an unknown member", unknownMember, false, true},
        {"another program's", "{\"info\":{\"name\":\"Other\",\"version\":\"1\"},\"main\":{\"block\":5}}", true, true},
        {"a later version", "{\"info\":{\"name\":\"Quillcheck\",\"version\":\"2.0\"},\"main\":{}}", true, false},
        {"no info", "{\"main\":{\"block\":5},\"other\":[1]}", true, false},
        {"a member of another kind", otherKind, true, true},
        {"a window place of five numbers", "{\"info\":{\"name\":\"Quillcheck\",\"version\":\"1\"},"
                                           "\"main\":{\"formPos\":[1,2,3,4,5]}}", true, true},
        {"empty (no value read: a syntax error)", "", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(copy, "an older copy");
        if (!c.copied)
            DeleteFileW(copy.c_str());
        WriteBytes(settings_.path, c.bytes);
        CAppSettings loaded;
        loaded.path = settings_.path;
        EXPECT_EQ(loaded.Load(), c.taken);
        loaded.modified = true;
        loaded.Save();
        EXPECT_EQ(Exists(copy), c.copied);
        if (c.copied) {
            EXPECT_EQ(ReadBytes(copy), c.bytes);
        }
        EXPECT_NE(ReadBytes(settings_.path).find("\"name\": \"Quillcheck\""), std::string::npos);
    }
}

TEST_F(SettingsFileTest, ReplaceRefusedKeepsTheOldFile) {
    // Readers may share the file, but without delete sharing it cannot be replaced.
    const std::string old = std::string(kSampleFile);
    WriteBytes(settings_.path, old);
    HANDLE reader = CreateFileW(settings_.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    settings_.block = 9;
    settings_.modified = true;
    bool threw = false;
    try {
        settings_.Save();
    } catch (const CFileException& e) {
        threw = true;
        EXPECT_EQ(e.fileName, settings_.path);
    }
    CloseHandle(reader);
    if (!threw)
        GTEST_SKIP() << "an open file can be replaced here";
    EXPECT_TRUE(settings_.modified);
    EXPECT_EQ(ReadBytes(settings_.path), old);
    EXPECT_FALSE(Exists(settings_.path + L".new"));
}

TEST_F(SettingsFileTest, ReadOnlyFileIsNotOverwritten) {
    const std::string old = std::string(kSampleFile);
    WriteBytes(settings_.path, old);
    SetFileAttributesW(settings_.path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileW(settings_.path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        // Wine maps the attribute to Unix permissions, which do not bind the superuser.
        CloseHandle(probe);
        SetFileAttributesW(settings_.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "read-only files are writable here (running as root)";
    }
    settings_.block = 9;
    settings_.modified = true;
    SaveFailure();
    EXPECT_TRUE(settings_.modified);
    SetFileAttributesW(settings_.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(settings_.path), old);
}

}  // namespace
