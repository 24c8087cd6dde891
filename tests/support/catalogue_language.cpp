#include "tests/support/catalogue_language.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include "foundation/catalogue_host.h"
#endif

bool UseCatalogueLanguage(TestLanguage language) {
#if defined(_WIN32)
    const LANGID primary = PRIMARYLANGID(GetUserDefaultUILanguage());
    return language == TestLanguage::Russian ? primary == LANG_RUSSIAN : primary != LANG_RUSSIAN;
#else
    SetCatalogueLanguage(language == TestLanguage::Russian ? CatalogueLanguage::Russian
                                                           : CatalogueLanguage::English);
    return true;
#endif
}

bool LanguageRequiredByEnvironment(TestLanguage language) {
    const char* required = std::getenv("QC_REQUIRE_LANGUAGE");
    if (!required)
        return false;
    return std::strcmp(required, language == TestLanguage::Russian ? "ru" : "en") == 0;
}
