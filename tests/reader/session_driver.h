// Drives one reader session on the test's own thread, in simulated time: the session, the shared
// side it reports to (whose orders and reads the tests use directly) and the events and ports of
// a test platform. Scheduled clock actions give the orders; one of them calls RequestStop to end Run.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reader/connect_platform.h"
#include "reader/reader_session.h"
#include "reader/reader_shared.h"

class CSessionDriver : private IPortMaker {
public:
    explicit CSessionDriver(IConnectPlatform& platform, const RdLinkConstants& link = kReaderLink,
                            const ConnectSchedule& schedule = {});
    ~CSessionDriver() override;

    // The session's loop on `name` until RequestStop, then its end (switch-off, port closed).
    void Run(const std::wstring& name);
    void RequestStop();
    void StartTest(const TestParameters& parameters);
    int32_t LastError() const { return session.LastError(); }
    const Counter128& CurrentCounter() const { return session.CurrentCounter(); }

    std::function<void()> onStateChanged;
    std::function<void()> onCardChanged;

    CReaderShared shared;

private:
    std::unique_ptr<CRdPort> NewPort() override;
    void MakeEvents(size_t count);

    IConnectPlatform& platform_;
    std::array<EventHandle, 4> events_{};
    size_t eventCount_ = 0;
    CReaderSession session;
};

// The log lines of a snapshot's events, in the catalogue's language.
std::vector<std::wstring> LogLines(const ReaderSnapshot& snapshot);
