// The card record a reader session publishes: what lies on the reader now.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr uint8_t kNoSecurityLevel = 0xFF;
inline constexpr size_t kMaxUidLength = 15;

// Card type codes; they index kCardTypeNames.
enum CardType : int32_t {
    kCardNone = 0,
    kCardUltraLight = 9,
    kCardMini = 11,
    kCardClassic1K = 12,
    kCardClassic2K = 13,
    kCardClassic4K = 14,
    kCardPlus = 15,
    kCardPlus1K = 16,
    kCardPlus2K = 17,
    kCardPlus4K = 18,
    kCardSmartMx1K = 19,
    kCardSmartMx4K = 20,
    kCardDesfire = 21,
};

// Product subtypes; they index kCardSubtypeNames.
enum CardSubtype : uint8_t {
    kSubtypeNone = 0,
    kSubtypeS = 1,
    kSubtypeX = 2,
    kSubtypeSE = 3,
    kSubtypeEV1 = 4,
    kSubtypeEV2 = 5
};

struct CardInfo {
    int32_t type = kCardNone;
    uint8_t uidLength = 0;  // 0: no card
    std::array<uint8_t, kMaxUidLength> uid{};
    int32_t size = 0;  // memory in bytes
    uint8_t securityLevel = kNoSecurityLevel;
    uint8_t subtype = kSubtypeNone;

    bool SameUid(const CardInfo& other) const;
    bool operator==(const CardInfo& other) const;
};
