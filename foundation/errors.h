// The program's own exception types and the classification of OS error codes for file access.
// Portable: nothing here needs <windows.h>.
#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

// Failure of the reader dialogue. The code says why (3 stop requested, 7 no reply in time,
// 8 invalid reply, 10 unexpected reader status, ...); the text is always "my_error".
class CMyError : public std::runtime_error {
public:
    explicit CMyError(int32_t code) : std::runtime_error("my_error"), code(code) {}

    int32_t code;
};

// What went wrong with a file, in the program's own classification. String id 600 + value
// holds the cause's description.
enum class FileErrorCause : int32_t {
    None = 0,
    Generic = 1,
    FileNotFound = 2,
    BadPath = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidFile = 6,
    RemoveCurrentDir = 7,
    DirectoryFull = 8,
    BadSeek = 9,
    HardIo = 10,
    SharingViolation = 11,
    LockViolation = 12,
    DiskFull = 13,
    EndOfFile = 14,
};

// Failure of file access. Derives from std::exception directly; what() is always "CFileException".
class CFileException : public std::exception {
public:
    CFileException(int32_t cause, std::wstring fileName, int32_t osError)
        : cause(cause), fileName(std::move(fileName)), osError(osError) {}

    const char* what() const noexcept override { return "CFileException"; }

    int32_t cause;          // a FileErrorCause value
    std::wstring fileName;  // empty when none was given
    int32_t osError;        // the OS error code, or -1 when the program itself detected the failure
};

[[noreturn]] void ThrowMyError(int code);
[[noreturn]] void ThrowFileError(int cause, int osError, const wchar_t* fileName);
[[noreturn]] void ThrowOsFileError(uint32_t osError, const wchar_t* fileName);
[[nodiscard]] int CauseFromOsError(uint32_t osError) noexcept;
