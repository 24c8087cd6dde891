// The production clock and wait: GetTickCount and WaitForMultipleObjects.
#pragma once

#include "reader/wait_clock.h"

class CWin32WaitClock : public IWaitClock {
public:
    uint32_t Now() override;
    int WaitAny(const EventHandle* events, size_t count, uint32_t timeoutMs) override;
    void Pause(uint32_t ms) override;
};
