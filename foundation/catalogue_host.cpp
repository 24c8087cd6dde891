#include <atomic>
#include <string_view>

#include "foundation/catalogue.h"
#include "foundation/catalogue_host.h"

namespace {

struct Entry {
    unsigned id;
    std::u16string_view english;
    std::u16string_view russian;
};

constexpr Entry kEntries[] = {
#define STRING(name, id, english, russian) {id, u"" english, u"" russian},
#include "foundation/string_table.inc"
#undef STRING
};

std::atomic<CatalogueLanguage> g_language{CatalogueLanguage::English};

}  // namespace

void SetCatalogueLanguage(CatalogueLanguage language) { g_language = language; }

size_t LoadResourceString(unsigned id, std::wstring& target) {
    target.clear();
    for (const Entry& entry : kEntries) {
        if (entry.id != id) continue;
        std::u16string_view text = g_language == CatalogueLanguage::Russian ? entry.russian : entry.english;
        // Same cut as the resource loader's 512-character buffer.
        text = text.substr(0, 511);
        target.assign(text.begin(), text.end());
        break;
    }
    return target.size();
}
