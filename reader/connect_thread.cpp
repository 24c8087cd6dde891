#include "reader/connect_thread.h"

#include <algorithm>
#include <exception>

#include "foundation/errors.h"
#include "reader/frame.h"

CConnectThread::CConnectThread(IPlatform& platform, const RdLinkConstants& linkConstants,
                               const ConnectSchedule& schedule)
    : platform(platform),
      clock(platform.Clock()),
      schedule(schedule),
      exchange(platform.Clock(), linkConstants) {
    exchange.onTrouble = [this](LinkTrouble kind) {
        CountTrouble(kind == LinkTrouble::kFrameResent ? &LinkTroubleCounts::resentFrames
                                                       : &LinkTroubleCounts::timeouts);
    };
}

CConnectThread::~CConnectThread() {
    if (thread.joinable())
        Stop();
    port.reset();  // before its events, which go with the exchange
    exchange.port = nullptr;
}

void CConnectThread::PrepareRun(const std::wstring& name) {
    portName = name;
    {
        std::lock_guard lock(mutex);
        authErrorLogged = false;
        // A new connection has seen no card yet: the card its first poll finds is news (and is
        // shown) even when it is the one the last connection saw.
        card = CardInfo{};
        identity = ReaderIdentity{};
    }
    while (exchange.eventCount < 2) exchange.events[exchange.eventCount++] = platform.NewEvent();
    // The first connect attempt is due at once, whatever the tick counter stands at.
    exchange.lastActivity = clock.Now() - schedule.reconnect;
    exchange.running = true;
    active = true;
}

void CConnectThread::Start(const std::wstring& name) {
    if (thread.joinable()) {
        if (!ended)
            return;
        thread.join();
    }
    PrepareRun(name);
    ended = false;
    try {
        thread = std::thread([this] {
            ThreadMain();
            ended = true;
            if (onEnded)
                onEnded();
        });
    } catch (...) {
        exchange.running = false;
        active = false;
        throw;
    }
}

void CConnectThread::RunOnThisThread(const std::wstring& name) {
    PrepareRun(name);
    ThreadMain();
}

void CConnectThread::RequestStop() {
    {
        std::lock_guard lock(mutex);
        testRunning = false;
        SettleTroubleLog();
        testRecord.End(clock.Now());
    }
    active = false;
    exchange.running = false;
    // events[0] is made before the worker starts; the worker adds the others later.
    exchange.events[0].Signal();
}

void CConnectThread::Stop() {
    RequestStop();
    if (thread.joinable())
        thread.join();
}

void CConnectThread::StartTest(const TestParameters& parameters) {
    std::lock_guard lock(mutex);
    block = parameters.block;
    key = parameters.key;
    useKeyB = parameters.useKeyB;
    useReaderKeys = parameters.useReaderKeys;
    written = 0;
    trouble = LinkTroubleCounts{};
    trailerLogged = false;
    authErrorLogged = false;
    SettleTroubleLog();
    // Lines queued since the page's last read belong to the test before, whose log the page has
    // emptied; what a cycle of that test still does from now on is dropped by its pass number.
    log.clear();
    ++testNumber;
    testRunning = true;
    testRecord.Begin({portName, identity, card, block, useKeyB, useReaderKeys}, utcClock(), clock.Now());
    // The first cycle should not wait for the next poll.
    exchange.events[0].Signal();
}

void CConnectThread::StopTest() {
    std::lock_guard lock(mutex);
    testRunning = false;
    SettleTroubleLog();
    testRecord.End(clock.Now());
}

bool CConnectThread::TestRunning() {
    std::lock_guard lock(mutex);
    return testRunning;
}

bool CConnectThread::BeginPass() {
    std::lock_guard lock(mutex);
    passTest = testNumber;
    return testRunning;
}

ConnectStatus CConnectThread::ReadStatus() {
    ConnectStatus status;
    std::lock_guard lock(mutex);
    status.state = state;
    status.written = written;
    status.errors = errors;
    status.trouble = trouble;
    status.log.swap(log);
    status.figures = testRecord.Figures(clock.Now());
    return status;
}

CTestRecord CConnectThread::ReadRecord() {
    std::lock_guard lock(mutex);
    testRecord.Figures(clock.Now());  // brings the elapsed time up to now
    return testRecord;
}

int32_t CConnectThread::ReadState() {
    std::lock_guard lock(mutex);
    return state;
}

CardInfo CConnectThread::ReadCard() {
    std::lock_guard lock(mutex);
    return card;
}

ReaderIdentity CConnectThread::ReadIdentity() {
    std::lock_guard lock(mutex);
    return identity;
}

void CConnectThread::SetState(int32_t newState) {
    {
        std::lock_guard lock(mutex);
        state = newState;
        // Every connection names its own reader, never one an earlier attempt found.
        if (newState == kConnecting)
            identity = ReaderIdentity{};
        // A test started while connecting ran on the reader the link now reports.
        if (newState == kConnected)
            testRecord.SeeReader(identity);
    }
    if (onStateChanged)
        onStateChanged();
}

void CConnectThread::ThreadMain() {
    while (exchange.running) {
        exchange.waitTimeout = kWaitForever;
        const bool testSet = BeginPass();
        try {
            if (state == kConnected) {
                const bool cycleDone = testSet && RunTestCycle();
                // The page stopped refreshing at Stop: once the test's last cycle has ended, it
                // is told to show the final counts and lines.
                if (testSet && !TestRunning() && onStateChanged)
                    onStateChanged();
                if (!cycleDone) {
                    if (TicksSince(clock.Now(), lastPoll) >= schedule.poll)
                        PollCard();
                    // The rest of the poll period, whatever events the step or the poll served
                    // meanwhile: a failed step must not be retried at line rate.
                    const uint32_t sincePoll = TicksSince(clock.Now(), lastPoll);
                    exchange.waitTimeout = sincePoll >= schedule.poll ? 0 : schedule.poll - sincePoll;
                }
                const uint32_t idle = exchange.SinceLastActivity();
                if (idle >= schedule.keepAlive) {
                    if (Command(kCommandLink, {0x01, kSpeedUnchanged}) != kStatusSuccess)
                        throw CMyError(kErrUnexpectedStatus);
                    exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.keepAlive);
                } else {
                    exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.keepAlive - idle);
                }
            } else {
                const uint32_t sinceAttempt = exchange.SinceLastActivity();
                if (sinceAttempt >= schedule.reconnect) {
                    if (Connect())
                        continue;
                    exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.reconnect);
                } else {
                    exchange.waitTimeout = std::min(exchange.waitTimeout, schedule.reconnect - sinceAttempt);
                }
            }
        } catch (const std::exception& error) {
            HandleError(&error);
            continue;
        } catch (...) {
            HandleError(nullptr);
            continue;
        }
        try {
            exchange.ServiceWait(exchange.waitTimeout);
        } catch (const std::exception& error) {
            HandleError(&error);
        } catch (...) {
            HandleError(nullptr);
        }
    }
    try {
        Disconnect(false);
    } catch (...) {
    }
    // A port kept open by a failed connect goes too: the next Start may name another port,
    // and the user expects Disconnect to free this one.
    port.reset();
    exchange.port = nullptr;
}

bool CConnectThread::RunTestCycle() {
    bool done = false;
    try {
        done = TestStep();
    } catch (const CMyError& error) {
        // The dialogue failed (a status the step does not handle, no usable reply): the
        // connection stays up and the card polls go on between the failing cycles.
        LogTrouble(&error);
    }
    if (done) {
        std::lock_guard lock(mutex);
        if (PassIsCurrent())
            SettleTroubleLog();
    }
    return done;
}

void CConnectThread::HandleError(const std::exception* error) {
    try {
        if (error && dynamic_cast<const CRdPortException*>(error))
            Disconnect(true);
        LogTrouble(error);
    } catch (...) {
        // The loop must survive whatever failed here (out of memory while logging).
    }
    clock.Pause(kErrorPause);
}
