#include <windows.h>

#include "foundation/catalogue.h"
#include "foundation/modules_win32.h"

namespace {

// Until start-up sets them, both default to the executable itself (tests rely on this).
HINSTANCE g_programModule = nullptr;
HINSTANCE g_resourceModule = nullptr;

constexpr int kStringCapacity = 512;

}  // namespace

HINSTANCE ProgramModule() { return g_programModule ? g_programModule : GetModuleHandleW(nullptr); }
HINSTANCE ResourceModule() { return g_resourceModule ? g_resourceModule : ProgramModule(); }

void SetModules(HINSTANCE program, HINSTANCE resource) {
    g_programModule = program;
    g_resourceModule = resource;
}

size_t LoadResourceString(unsigned id, std::wstring& target) {
    target.resize(kStringCapacity);
    int length = LoadStringW(ResourceModule(), id, target.data(), kStringCapacity);
    if (length == 0) length = LoadStringW(ProgramModule(), id, target.data(), kStringCapacity);
    target.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return target.size();
}
