#include <algorithm>
#include <cstdarg>

#include "foundation/catalogue.h"
#include "foundation/text_format.h"

void FormatResourceString(std::wstring& target, unsigned id, ...) {
    std::wstring format;
    if (LoadResourceString(id, format) == 0) {
        target.clear();
        return;
    }
    target.resize(std::max<size_t>(512, target.capacity()));
    va_list args;
    va_start(args, id);
    int produced = VFormatToBuffer(target.data(), target.size(), format.c_str(), args);
    va_end(args);
    target.resize(produced > 0 ? static_cast<size_t>(produced) : 0);
}

void AppendFormatResource(std::wstring& target, unsigned id, ...) {
    std::wstring format;
    if (LoadResourceString(id, format) == 0) return;
    va_list args;
    va_start(args, id);
    VAppendFormat(target, format.c_str(), args);
    va_end(args);
}

namespace {

class CProgramCatalogue final : public IStringCatalogue {
public:
    std::wstring Text(unsigned id) const override {
        std::wstring text;
        LoadResourceString(id, text);
        return text;
    }
};

}  // namespace

const IStringCatalogue& ProgramCatalogue() {
    static const CProgramCatalogue catalogue;
    return catalogue;
}
