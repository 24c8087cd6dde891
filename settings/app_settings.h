// The values Quill Check remembers between runs, kept in a JSON file next to the executable.
// Owned by value by the application object; used on the user-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "foundation/classic_card.h"
#include "settings/reader_settings.h"
#include "reader/test_plan.h"

class CAppSettings {
public:
    static constexpr int32_t kNotSet = std::numeric_limits<int32_t>::min();
    static constexpr uint64_t kDefaultAuthKey = kClassicTransportKey;
    static constexpr int32_t kDefaultBlock = kDefaultTestBlock;
    static constexpr int32_t kHighestLogLevel = 6;

    CAppSettings() = default;
    virtual ~CAppSettings() = default;

    // Reads the file at path into the fields and clears modified. A missing file, a file without
    // "info" and a file of a newer generation (version 1.0 and up) leave the fields as they are;
    // false tells that a file holding something was there but not taken (the caller tells the
    // user; the next Save keeps a copy of it). A syntax error is not reported: the values read
    // before it are used.
    // Throws CFileException when something exists at path but cannot be read (no access, a
    // folder, held open by another program) or its existence cannot be tested; the fields are
    // then unchanged, so the caller can go on with them; it marks fileUnread, so that Save reads
    // the file again instead of replacing it with them. Windows only.
    bool Load();
    // Writes the fields into the file at path, keeping the other contents of a file of this
    // program's version 1, and clears modified. The text goes to a new temporary file beside
    // it, flushed to the disk, that then replaces the file, so a failure never
    // leaves a cut-off file; where the folder allows no new file, the file is written in place.
    // A file that the save would not keep whole (a syntax error, another program's or version's
    // file, a member of the program's of another kind) is first copied to path + ".bak"
    // (replacing an older copy), so nothing the program did not write is lost. With fileUnread, the file is read again first and keeps
    // its values for every field still at its default (below).
    // Throws CFileException (naming the file) when the old file cannot be read or copied or the
    // new one cannot be written or moved into place; the old file is then intact and modified
    // stays set. Windows only.
    void Save();
    // Stores the port name, marking the settings modified when it changed.
    void SetPort(const std::wstring& name);
    // The first reader's values, from and into the members below; the setter marks the settings
    // modified when they changed.
    ReaderSettings FirstReader() const;
    void SetFirstReader(const ReaderSettings& reader);
    // Replaces the further readers, marking the settings modified when they changed.
    void SetMoreReaders(const std::vector<ReaderSettings>& readers);

    std::wstring path;      // full path of the settings file, set before Load
    bool modified = false;  // some field differs from the file
    // The file existed but could not be read at start (held open by another program for a
    // moment, no access): the fields started from the defaults, not from the user's file, which
    // must never be replaced by them. Cleared by a Load that reads and by Save.
    bool fileUnread = false;

    std::array<int32_t, 4> formPos{kNotSet, kNotSet, kNotSet, kNotSet};  // left, top, width, height
    bool allPorts = false;
    std::wstring port;
    int32_t block = kDefaultBlock;  // 0-255 once loaded
    uint64_t authKey = kDefaultAuthKey;  // 48 bits used
    bool useReaderKeys = false;
    bool keyB = false;
    int32_t logLevel = 0;
    // The readers after the first, each a page of its own, in their tabs' order; at most
    // kMaxReaders - 1, each on another port than the others and the first reader.
    std::vector<ReaderSettings> moreReaders;
    // Entries of the file's reader list that the last Load left out (too many, not an object,
    // a port already taken); the window says so in the log. Not saved.
    size_t readersLeftOut = 0;
    TestPlan plan;               // the first reader's test plan, beside its other test values
    std::wstring reportsFolder;  // for every reader's reports and journals; empty: the default one
};
