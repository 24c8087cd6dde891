// Selects the catalogue's language for a test. The host build switches its compiled-in table;
// the Windows build cannot switch (resources follow the OS language selection, which Wine takes
// from LC_ALL at start), so there it answers whether the process already runs in that language.
#pragma once

enum class TestLanguage { English, Russian };

bool UseCatalogueLanguage(TestLanguage language);

// Skips the test when the language is not available here, or fails it when the environment
// variable QC_REQUIRE_LANGUAGE names this language (the ctest run made for it).
#define QC_REQUIRE_CATALOGUE_LANGUAGE(language)                                     \
    do {                                                                            \
        if (!UseCatalogueLanguage(language)) {                                      \
            if (LanguageRequiredByEnvironment(language))                            \
                FAIL() << "the catalogue is not in the language this run requires"; \
            GTEST_SKIP() << "catalogue language not selectable in this process";    \
        }                                                                           \
    } while (0)

bool LanguageRequiredByEnvironment(TestLanguage language);
