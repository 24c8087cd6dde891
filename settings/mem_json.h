// A JSON document held in memory: read from a file (UTF-8, optional byte-order mark), changed,
// and written back as text. Used by the settings within one load or save, on one thread.
#pragma once

#include <string>
#include <string_view>

#include "settings/json_value.h"

class CMemJson {
public:
    CMemJson() = default;
    virtual ~CMemJson() { root.Clear(); }
    CMemJson(const CMemJson&) = delete;
    CMemJson& operator=(const CMemJson&) = delete;

    // Reads the whole file and parses it into root; false on a syntax error (root keeps what was
    // read before it). File errors throw CFileException. Windows only.
    bool LoadFile(const std::wstring& path);

    // Parses text up to its first NUL into root; false on a syntax error (what was read stays).
    // An empty or all-whitespace text leaves root unchanged.
    bool LoadText(std::wstring_view text);

    // root written in the pretty form (ending with a line break) or the compact form.
    std::wstring ToText() const;

    JsonValue root;
    bool pretty = true;
};
