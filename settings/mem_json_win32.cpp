#include <string>

#include "foundation/files.h"
#include "settings/mem_json.h"

bool CMemJson::LoadFile(const std::wstring& path) {
    std::wstring text;
    ReadWholeFile(path, text);
    return LoadText(text);
}
