#include "reader/wait_clock_win32.h"

#include <windows.h>

#include <system_error>

uint32_t CWin32WaitClock::Now() {
    return GetTickCount();
}

int CWin32WaitClock::WaitAny(const EventHandle* events, size_t count, uint32_t timeoutMs) {
    if (count == 0) {
        Sleep(timeoutMs);
        return kWaitTimedOut;
    }
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count),
                                                reinterpret_cast<const HANDLE*>(events), FALSE, timeoutMs);
    if (result == WAIT_TIMEOUT)
        return kWaitTimedOut;
    if (result < WAIT_OBJECT_0 + count)
        return static_cast<int>(result - WAIT_OBJECT_0);
    // WAIT_FAILED, or an abandoned mutex among the handles: not something this wait serves.
    const DWORD error = result == WAIT_FAILED ? GetLastError() : ERROR_INVALID_HANDLE;
    throw std::system_error(static_cast<int>(error), std::system_category(), "WaitForMultipleObjects");
}

void CWin32WaitClock::Pause(uint32_t ms) {
    Sleep(ms);
}
