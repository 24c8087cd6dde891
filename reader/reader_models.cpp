#include "reader/reader_models.h"

#include "reader/link_recovery.h"

bool IsSupportedReaderModel(int32_t model) {
    return model == 2 || model == 3 || model == 8 || model == 9 || model == 11;
}

uint8_t ChooseLineSpeed(int32_t model, uint32_t firmware, bool supports230400) {
    const uint32_t major = firmware >> 24;
    const uint32_t minor = (firmware >> 16) & 0xFF;
    if (model == 2 && firmware == 0x01080000)
        return kSpeed115200;
    if (model == 3 || model == 11)
        return kSpeed115200;
    if (model == 8 && (major > 2 || (major == 2 && minor >= 10)))
        return supports230400 ? kSpeed230400 : kSpeed115200;
    return kSpeedUnchanged;
}
