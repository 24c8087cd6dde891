#include <string>

#include "foundation/files.h"
#include "settings/mem_json.h"

void CMemJson::LoadFile(const std::wstring& path) {
    std::wstring text;
    ReadWholeFile(path, text);
    LoadText(text);
}
