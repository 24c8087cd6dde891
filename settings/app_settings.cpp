#include "settings/app_settings.h"

void CAppSettings::SetPort(const std::wstring& name) {
    if (name == port)
        return;
    port = name;
    modified = true;
}

ReaderSettings CAppSettings::FirstReader() const {
    return {port, block, authKey, useReaderKeys, keyB, plan};
}

void CAppSettings::SetFirstReader(const ReaderSettings& reader) {
    if (reader == FirstReader())
        return;
    port = reader.port;
    block = reader.block;
    authKey = reader.authKey;
    useReaderKeys = reader.useReaderKeys;
    keyB = reader.keyB;
    plan = reader.plan;
    modified = true;
}

void CAppSettings::SetMoreReaders(const std::vector<ReaderSettings>& readers) {
    if (readers == moreReaders)
        return;
    moreReaders = readers;
    modified = true;
}
