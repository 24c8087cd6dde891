#include <gtest/gtest.h>

#include <set>

#include "foundation/errors.h"
#include "foundation/file_error_text.h"
#include "tests/support/catalogue_language.h"

namespace {

struct CauseRow {
    int cause;
    std::set<uint32_t> codes;
};

// The whole classification table: every listed code must land on its cause.
const CauseRow kCauseTable[] = {
    {0, {0}},
    {2, {2, 6, 18, 107}},
    {3, {3, 15, 17, 34, 52, 53, 55, 67, 70, 85, 111, 123, 124, 125, 144, 154, 161, 206, 208, 267}},
    {4, {4, 36, 68, 113}},
    {5, {5, 12, 19, 29, 54, 58, 64, 65, 71, 80, 82, 86, 170, 183, 999}},
    {6, {11, 26, 60, 66, 114, 182, 191, 193}},
    {7, {16, 145}},
    {8, {62}},
    {9, {24, 25, 27, 30, 131, 132}},
    {10, {20, 21, 22, 23, 57, 59, 88, 117, 995, 996, 997}},
    {11, {32}},
    {12, {33, 108, 167}},
    {13, {39, 112}},
    {14, {38}},
};

TEST(CauseFromOsError, EveryListedCodeGivesItsCause) {
    for (const CauseRow& row : kCauseTable)
        for (uint32_t code : row.codes) {
            EXPECT_EQ(CauseFromOsError(code), row.cause) << "OS error " << code;
        }
}

TEST(CauseFromOsError, EveryUnlistedCodeIsGeneric) {
    std::set<uint32_t> listed;
    for (const CauseRow& row : kCauseTable) listed.insert(row.codes.begin(), row.codes.end());
    for (uint32_t code = 0; code < 2000; ++code)
        if (!listed.count(code)) {
            EXPECT_EQ(CauseFromOsError(code), 1) << "OS error " << code;
        }
    EXPECT_EQ(CauseFromOsError(0xFFFFFFFFu), 1);
    EXPECT_EQ(CauseFromOsError(0x80070002u), 1);  // an HRESULT is not an OS error code
}

TEST(Errors, ThrowOsFileErrorCarriesCauseCodeAndName) {
    try {
        ThrowOsFileError(5, L"C:\\data\\settings.json");
        FAIL() << "did not throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.cause, 5);
        EXPECT_EQ(e.osError, 5);
        EXPECT_EQ(e.fileName, L"C:\\data\\settings.json");
        EXPECT_STREQ(e.what(), "CFileException");
    }
}

TEST(Errors, ThrowFileErrorKeepsMinusOneAndAcceptsNullName) {
    try {
        ThrowFileError(13, -1, nullptr);
        FAIL() << "did not throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.cause, 13);
        EXPECT_EQ(e.osError, -1);
        EXPECT_TRUE(e.fileName.empty());
    }
}

TEST(Errors, FileExceptionIsNotARuntimeError) {
    // Handlers that catch std::runtime_error for reader failures must not swallow file errors.
    EXPECT_THROW(
        {
            try {
                ThrowFileError(2, 2, L"x");
            } catch (const std::runtime_error&) {
                FAIL() << "CFileException caught as runtime_error";
            }
        },
        CFileException);
}

TEST(Errors, MyErrorCarriesCodeAndFixedText) {
    try {
        ThrowMyError(10);
        FAIL() << "did not throw";
    } catch (const std::runtime_error& e) {
        const auto* myError = dynamic_cast<const CMyError*>(&e);
        ASSERT_NE(myError, nullptr);
        EXPECT_EQ(myError->code, 10);
        EXPECT_STREQ(e.what(), "my_error");
        CMyError copy = *myError;
        EXPECT_EQ(copy.code, 10);
        EXPECT_STREQ(copy.what(), "my_error");
    }
}

}  // namespace

namespace {

// The text a user reads for a failed file access names the file and says why, however long the
// path; a cause outside the table still reads as a failure.
TEST(FileErrorTextEnglish, NamesTheFileAndTheCause) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::English);
    const std::wstring longPath = L"C:\\" + std::wstring(600, L'd') + L"\\quillcheck.json";
    const struct {
        int cause;
        std::wstring file;
        std::wstring text;
    } cases[] = {
        {5, L"C:\\q.json", L"Access to C:\\q.json was denied."},
        {11, L"C:\\q.json", L"Encountered a sharing violation while accessing C:\\q.json."},
        {13, L"C:\\q.json", L"Disk full while accessing C:\\q.json."},
        {0, L"C:\\q.json", L"An unknown error occurred while accessing C:\\q.json."},
        {99, L"C:\\q.json", L"An unknown error occurred while accessing C:\\q.json."},
        {5, longPath, L"Access to " + longPath + L" was denied."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileErrorText(CFileException(c.cause, c.file, 5)), c.text) << c.cause;
}

TEST(FileErrorTextRussian, NamesTheFileAndTheCause) {
    QC_REQUIRE_CATALOGUE_LANGUAGE(TestLanguage::Russian);
    EXPECT_EQ(FileErrorText(CFileException(5, L"C:\\q.json", 5)),
              L"\x041D\x0435\x0442 \x0434\x043E\x0441\x0442\x0443\x043F\x0430 \x043A C:\\q.json.");
}

}  // namespace
