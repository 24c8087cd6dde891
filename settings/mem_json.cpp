#include "settings/mem_json.h"

#include "settings/json_lexer.h"

bool CMemJson::LoadText(std::wstring_view text) {
    text = text.substr(0, text.find(L'\0'));
    JsonLexer lexer(text);
    return root.Parse(lexer);
}

std::wstring CMemJson::ToText() const {
    std::wstring out;
    std::wstring indent = pretty ? L"\r\n" : L"";
    root.WriteText(out, indent);
    return out;
}
