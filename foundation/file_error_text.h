// What a failed file access tells the user, in the catalogue's language. Portable.
#pragma once

#include <string>

#include "foundation/errors.h"

// The description of the failure's cause (string 600 + cause), naming the file.
std::wstring FileErrorText(const CFileException& error);
