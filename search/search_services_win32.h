// The port search's services on Windows: kernel events, COM ports, and the worker's one wait
// over its events and the messages sent to its notification window.
#pragma once

#include <windows.h>

#include "search/search_services.h"

class CWin32EventFactory final : public IEventFactory {
public:
    EventHandle MakeEvent() override;
    void CloseEvent(EventHandle event) override;
    void SignalEvent(EventHandle event) override;
};

class CComPortFactory final : public IProbePortFactory {
public:
    std::unique_ptr<CRdPort> CreatePort() override;
};

// MsgWaitForMultipleObjects waking for sent messages (the device-change broadcasts), and the
// pump that delivers them. Worker thread only.
class CMessageWait final : public ISearchWait {
public:
    int Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) override;
    void PumpMessages() override;

private:
    MSG msg_{};
};
