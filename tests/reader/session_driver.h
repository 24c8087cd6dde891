// Drives one reader session on the test's own thread, in simulated time: the session, the shared
// side it reports to (whose orders and reads the tests use directly) and the events and ports of
// a test platform. Scheduled clock actions give the orders; one of them calls RequestStop to end Run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reader/platform.h"
#include "reader/reader_session.h"
#include "reader/reader_shared.h"

class CSessionDriver {
public:
    explicit CSessionDriver(IPlatform& platform, const RdLinkConstants& link = kReaderLink,
                            const ConnectSchedule& schedule = {});

    // The session's loop on `name` until RequestStop, then its end (switch-off, port closed).
    void Run(const std::wstring& name);
    void RequestStop();
    void StartTest(const TestParameters& parameters, const TestPlan& plan = {});
    int32_t LastError() const { return session.LastError(); }
    const Counter128& CurrentCounter() const { return session.CurrentCounter(); }

    std::function<void()> onStateChanged;
    std::function<void()> onCardChanged;

    CReaderShared shared;

private:
    CReaderSession session;
};

// The log lines of a snapshot's events, in the catalogue's language.
std::vector<std::wstring> LogLines(const ReaderSnapshot& snapshot);
