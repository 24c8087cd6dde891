// The two module handles every resource lookup uses: the resource module first, then the
// program module. Set once at start-up before any other thread exists, read-only afterwards.
#pragma once

#include <windows.h>

HINSTANCE ProgramModule();
HINSTANCE ResourceModule();
void SetModules(HINSTANCE program, HINSTANCE resource);
