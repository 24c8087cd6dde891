#include "reader/card_info.h"

#include <algorithm>

bool CardInfo::SameUid(const CardInfo& other) const {
    return uidLength == other.uidLength &&
           std::equal(uid.begin(), uid.begin() + std::min<size_t>(uidLength, kMaxUidLength),
                      other.uid.begin());
}

bool CardInfo::operator==(const CardInfo& other) const {
    return type == other.type && SameUid(other) && size == other.size &&
           securityLevel == other.securityLevel && subtype == other.subtype;
}
