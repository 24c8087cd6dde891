// Display names of card types, card subtypes and reader models, indexed by their codes. They are
// the products' own names and are not translated.
#pragma once

#include <array>

extern const std::array<const wchar_t*, 23> kCardTypeNames;
extern const std::array<const wchar_t*, 6> kCardSubtypeNames;
extern const std::array<const wchar_t*, 13> kReaderModelNames;

// The name for a code, or "" for a code outside the table (codes come from the reader).
const wchar_t* CardTypeName(int type);
const wchar_t* CardSubtypeName(int subtype);
const wchar_t* ReaderModelName(int model);
