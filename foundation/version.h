// Four-part version numbers packed into 32 bits (component 1 in the top byte). A value below
// 0x10000 is an unstructured number and stands for itself.
#pragma once

#include <cstdint>
#include <string>

std::wstring FormatVersion(uint32_t version);
uint32_t ParseVersion(const std::wstring& text);
