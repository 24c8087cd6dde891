// The values Quill Check remembers between runs, kept in a JSON file next to the executable.
// Owned by value by the application object; used on the user-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

class CAppSettings {
public:
    static constexpr int32_t kNotSet = std::numeric_limits<int32_t>::min();
    // The published transport key of MIFARE Classic cards.
    static constexpr uint64_t kDefaultAuthKey = 0xFFFFFFFFFFFFull;

    CAppSettings() = default;
    virtual ~CAppSettings() = default;

    // Reads the file at path into the fields (a missing, foreign or older file leaves defaults).
    void Load();
    // Writes the fields into the file at path; throws CFileException when that fails.
    void Save();
    // Stores the port name, marking the settings modified when it changed.
    void SetPort(const std::wstring& name);

    std::wstring path;      // full path of the settings file, set before Load
    bool modified = false;  // some field differs from the file

    std::array<int32_t, 4> formPos{kNotSet, kNotSet, kNotSet, kNotSet};  // left, top, width, height
    bool allPorts = false;
    std::wstring port;
    int32_t block = 1;
    uint64_t authKey = kDefaultAuthKey;  // 48 bits used
    bool useReaderKeys = false;
    bool keyB = false;
    int32_t logLevel = 0;
};
