#include "reader/card_names.h"

#include <cstddef>

const std::array<const wchar_t*, 23> kCardTypeNames = {
    L"",
    L"Em-Marine",
    L"HID",
    L"iCode",
    L"Cod433",
    L"Cod433 Fix",
    L"CAME",
    L"Dallas",
    L"Temic",
    L"Mifare UltraLight",
    L"Mifare UltraLight C",
    L"Mifare Mini",
    L"Mifare Classic 1K",
    L"Mifare Classic 2K",
    L"Mifare Classic 4K",
    L"Mifare Plus",
    L"Mifare Plus 1K",
    L"Mifare Plus 2K",
    L"Mifare Plus 4K",
    L"Smart MX with Mifare Classic 1K",
    L"Smart MX with Mifare Classic 4K",
    L"Mifare DESFire",
    L"Mifare ProX",
};

const std::array<const wchar_t*, 6> kCardSubtypeNames = {L"", L"S", L"X", L"SE", L"EV1", L"EV2"};

const std::array<const wchar_t*, 13> kReaderModelNames = {
    L"",
    L"Tern R-All",
    L"Tern USB CL",
    L"Tern USB CLI",
    L"Tern EH",
    L"Tern Basic",
    L"Tern Desk",
    L"Tern Panel All",
    L"Tern Panel Net",
    L"Tern CP",
    L"Tern Panel V",
    L"Tern Panel VI NFC",
    L"Tern CCID",
};

namespace {

template <size_t N>
const wchar_t* NameAt(const std::array<const wchar_t*, N>& table, int index) {
    return index >= 0 && static_cast<size_t>(index) < N ? table[static_cast<size_t>(index)] : L"";
}

}  // namespace

const wchar_t* CardTypeName(int type) {
    return NameAt(kCardTypeNames, type);
}
const wchar_t* CardSubtypeName(int subtype) {
    return NameAt(kCardSubtypeNames, subtype);
}
const wchar_t* ReaderModelName(int model) {
    return NameAt(kReaderModelNames, model);
}
