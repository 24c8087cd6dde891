// Host build only: the compiled-in catalogue's language, chosen by tests (the Windows build
// follows the OS's language selection instead).
#pragma once

enum class CatalogueLanguage { English, Russian };

void SetCatalogueLanguage(CatalogueLanguage language);
