#include "foundation/errors.h"

namespace {

FileErrorCause CauseOf(uint32_t osError) noexcept {
    using enum FileErrorCause;
    switch (osError) {
        case 0: return None;
        case 2: case 6: case 18: case 107: return FileNotFound;
        case 3: case 15: case 17: case 34: case 52: case 53: case 55: case 67: case 70: case 85:
        case 111: case 123: case 124: case 125: case 144: case 154: case 161: case 206: case 208:
        case 267:
            return BadPath;
        case 4: case 36: case 68: case 113: return TooManyOpenFiles;
        case 5: case 12: case 19: case 29: case 54: case 58: case 64: case 65: case 71: case 80:
        case 82: case 86: case 170: case 183: case 999:
            return AccessDenied;
        case 11: case 26: case 60: case 66: case 114: case 182: case 191: case 193: return InvalidFile;
        case 16: case 145: return RemoveCurrentDir;
        case 62: return DirectoryFull;
        case 24: case 25: case 27: case 30: case 131: case 132: return BadSeek;
        case 20: case 21: case 22: case 23: case 57: case 59: case 88: case 117: case 995: case 996:
        case 997:
            return HardIo;
        case 32: return SharingViolation;
        case 33: case 108: case 167: return LockViolation;
        case 39: case 112: return DiskFull;
        case 38: return EndOfFile;
        default: return Generic;
    }
}

}  // namespace

void ThrowMyError(int code) { throw CMyError(code); }

void ThrowFileError(int cause, int osError, const wchar_t* fileName) {
    throw CFileException(cause, fileName ? std::wstring(fileName) : std::wstring(), osError);
}

void ThrowOsFileError(uint32_t osError, const wchar_t* fileName) {
    ThrowFileError(CauseFromOsError(osError), static_cast<int>(osError), fileName);
}

int CauseFromOsError(uint32_t osError) noexcept { return static_cast<int>(CauseOf(osError)); }
