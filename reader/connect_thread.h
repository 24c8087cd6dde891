// The worker that owns the reader while the user is connected. Its loop (re)connects every
// 5000 ms while no reader answers; once connected it runs the block test step while a test runs,
// polls the card every 333 ms otherwise, and keeps the link alive after 18000 ms without a
// command. It publishes state, reader identity, card record, counters and log lines under one
// mutex and announces state and card changes through two callbacks.
//
// Threads: the user-interface thread calls Start, Stop, StartTest, StopTest and the readers
// (ReadStatus, ReadCard, ReadIdentity); everything else runs on the worker. Fields marked
// "locked" are written under `mutex`; the worker reads its own writes without it. No lock is
// held across a callback or port I/O.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/local_time.h"
#include "reader/card_info.h"
#include "reader/counter128.h"
#include "reader/exchange.h"
#include "reader/ident.h"
#include "reader/link_constants.h"
#include "reader/link_recovery.h"
#include "reader/link_trouble.h"
#include "reader/platform.h"
#include "reader/repeat_filter.h"
#include "reader/test_record.h"

enum LinkState : int32_t { kDisconnected = 0, kConnected = 1, kConnecting = 2 };

// The published test transport key of MIFARE Classic cards (key A and B as delivered).
inline constexpr uint64_t kClassicTransportKey = 0xFFFFFFFFFFFFull;

struct TestParameters {
    int32_t block = 1;
    uint64_t key = kClassicTransportKey;  // low 48 bits
    bool useKeyB = false;
    bool useReaderKeys = false;
};

// What the main page shows, copied out under the lock in one go.
struct ConnectStatus {
    int32_t state = kDisconnected;
    int32_t written = 0;
    int32_t errors = 0;
    LinkTroubleCounts trouble;      // of the current test
    std::vector<std::wstring> log;  // lines not taken before; the thread's queue is left empty
    TestFigures figures;            // elapsed time and rate of the current (or last) test
};

// The loop's three schedules (ms).
struct ConnectSchedule {
    uint32_t reconnect = 5000;   // between connect attempts while not connected
    uint32_t poll = 333;         // between card polls while connected and no test cycle ran
    uint32_t keepAlive = 18000;  // without any command before the keep-alive goes out
};

class CConnectThread {
public:
    static constexpr uint32_t kOpenRetryPeriod = 1000;
    static constexpr uint32_t kLinkEndWait = ::kLinkEndWait;  // for the switch-off at disconnect
    static constexpr uint32_t kErrorPause = 100;
    static constexpr uint32_t kResetPause = 10;

    explicit CConnectThread(IPlatform& platform, const RdLinkConstants& link = kReaderLink,
                            const ConnectSchedule& schedule = {});
    virtual ~CConnectThread();
    CConnectThread(const CConnectThread&) = delete;
    CConnectThread& operator=(const CConnectThread&) = delete;

    // Starts the worker on `name` unless one runs or is still ending (a worker that has ended is
    // joined first). Throws std::system_error when an event or the thread cannot be made.
    void Start(const std::wstring& name);
    // Stops the worker (switching the reader's link off when connected) and waits for it.
    void Stop();
    // For tests in simulated time: the same as Start, but the loop runs on the calling thread
    // until something (a scheduled action) calls RequestStop.
    void RunOnThisThread(const std::wstring& name);
    // Clears running and wakes the worker, which switches the link off, closes the port and
    // ends on its own (then onEnded); Stop joins it. The user interface asks this way and never
    // waits: a port's close may take a second.
    void RequestStop();
    // Started and not asked to stop. (Not `running` itself: the switch-off after a stop sets that
    // again for its own wait.)
    bool IsRunning() const { return active; }
    bool HasThread() const { return thread.joinable(); }
    // Asked to stop, and still switching off or closing.
    bool IsEnding() const { return !active && thread.joinable() && !ended; }
    // No worker, or one that has ended (so joining it takes no time).
    bool HasEnded() const { return !thread.joinable() || ended; }

    void StartTest(const TestParameters& parameters);
    void StopTest();
    bool TestRunning();

    ConnectStatus ReadStatus();
    int32_t ReadState();
    CardInfo ReadCard();
    ReaderIdentity ReadIdentity();
    // A copy of the current (or last) test's record, for the saved report.
    CTestRecord ReadRecord();

    // Installed before Start; called on the worker without the lock.
    std::function<void()> onStateChanged;
    std::function<void()> onCardChanged;
    std::function<void()> onEnded;  // the worker's last act: its port is closed
    // The UTC time a test starts at, in ms since 1970 (tests put a simulated one in).
    std::function<int64_t()> utcClock = CurrentUtcMilliseconds;

    // Worker-side values that tests inspect after the loop ended.
    int32_t LastError() const { return exchange.lastError; }
    const Counter128& CurrentCounter() const { return counter; }

    // The loop itself (public for tests that drive single steps in simulated time).
    void ThreadMain();
    bool Connect();
    bool OpenPort();
    void Disconnect(bool quiet);
    void HandleError(const std::exception* error);
    void SetState(int32_t state);
    void PollCard();
    bool DetectCard(CardInfo& result);
    bool ReadAts(std::vector<uint8_t>& ats, std::vector<uint8_t>& historical);
    bool UpdateCard(const CardInfo& record);
    bool TestStep();
    // TestStep with its dialogue failures logged; a failed cycle waits for the poll period.
    bool RunTestCycle();

    // The line-speed index for the link start, or kSpeedUnchanged.
    static uint8_t ChooseLineSpeed(int32_t model, uint32_t firmware, bool supports230400);
    static bool IsSupportedModel(int32_t model);

private:
    struct VersionInfo {
        uint8_t productType = 0;
        uint8_t major = 0;
        uint8_t minor = 0;
        uint8_t storage = 0;
    };
    struct Detection;  // working data of one DetectCard

    // One exchange; remembers the status in lastStatus.
    int Command(uint8_t command, std::initializer_list<uint8_t> payload);
    int Command(uint8_t command, const std::vector<uint8_t>& payload);
    // An exchange whose only acceptable status is success (else CMyError(10)).
    void CommandExpectingSuccess(uint8_t command, std::initializer_list<uint8_t> payload);
    void ResetField();
    int SelectCard(const CardInfo& card);
    void Indicate(uint8_t code);
    bool GetVersion(VersionInfo& version);
    void ClassifyBySak(Detection& d, CardInfo& result);
    void ClassifyClassicWithAts(Detection& d, CardInfo& result, bool fourK);
    void ClassifyIsoCard(Detection& d, CardInfo& result);
    void Refine(Detection& d, CardInfo& result);
    void ProbeSecurityLevel(Detection& d, CardInfo& result);
    void ProbeClassicSize(const CardInfo& card, CardInfo& result, int32_t type1K);
    void ProbeAesSize(CardInfo& result);
    void ProbeSize(const std::function<int(bool)>& probe, CardInfo& result, int32_t type1K,
                   bool refusedMeans1K);
    void ClassifyBySakAlone(const Detection& d, CardInfo& result);
    void EnsureAts(Detection& d);

    // Connect pieces: the identification that also finds a reader left at a fast line speed,
    // and the switch-off after an attempt that failed once the reader had changed speed.
    bool IdentifyAtAnySpeed(ReaderIdentity& found);
    uint8_t ChooseSpeedThePortTakes(const ReaderIdentity& found);
    bool ReturnToIdentSpeed(uint32_t baud);
    void AbandonFastLink(uint32_t baud);

    // The trouble log (connect_trouble_log.cpp): failures in words, repeats folded.
    void LogTrouble(const std::exception* error);
    void SettleTroubleLog();  // the caller holds the lock
    void CountTrouble(uint64_t LinkTroubleCounts::*field);

    // Block test pieces.
    void NoCard();
    void AuthRefused();  // forgets the sector's authentication and counts the refusal
    void AppendLog(const std::wstring& line, bool countError);
    bool AppendLogOnce(bool& marker, unsigned textId);  // true when it logged the line
    void PushLogLine(std::wstring line);                // the caller holds the lock
    // Feeds the test record one event under the lock, with the tick it happened at; an event of
    // a pass that began before the current test started is not that test's.
    template <typename Event>
    void Record(Event&& event) {
        std::lock_guard lock(mutex);
        if (PassIsCurrent())
            event(testRecord, clock.Now());
    }
    // Starts a pass of the loop: whether a test runs, and which test the pass works for.
    bool BeginPass();
    // The caller holds the lock.
    bool PassIsCurrent() const { return passTest == testNumber; }
    void AppendStatusLog(unsigned textId, int status);
    bool Authenticate(const TestParameters& test, int sector);
    bool SendLinkEnd();
    void PrepareRun(const std::wstring& name);

    IPlatform& platform;
    IWaitClock& clock;
    const ConnectSchedule schedule;
    // The exchange context: port pointer, events, running, waitTimeout, lastActivity, seq,
    // frame, reply, lastStatus and lastError.
    CRdExchange exchange;
    std::thread thread;
    std::atomic<bool> ended{false};   // set by the worker as it ends; cleared by Start
    std::atomic<bool> active{false};  // set when started, cleared by RequestStop (any thread)

    std::mutex mutex;
    std::wstring portName;          // written only while no worker runs
    std::unique_ptr<CRdPort> port;  // worker only; exchange.port points at it
    int32_t state = kDisconnected;  // locked
    ReaderIdentity identity;        // locked
    CardInfo card;                  // locked
    bool testRunning = false;       // locked
    uint64_t testNumber = 0;        // locked; counts test starts, so late work of a test is known
    int32_t block = 1;              // locked, with the three below: the test parameters
    uint64_t key = kClassicTransportKey;
    bool useKeyB = false;
    bool useReaderKeys = false;
    std::vector<std::wstring> log;  // locked
    int32_t written = 0;            // locked
    int32_t errors = 0;             // locked
    bool noCardLogged = false;      // locked
    bool trailerLogged = false;     // locked
    bool authErrorLogged = false;   // locked
    CTestRecord testRecord;         // locked
    LinkTroubleCounts trouble;      // locked; of the current test
    CRepeatFilter troubleLines;     // locked, with log

    // Worker only.
    uint64_t passTest = 0;  // the test number when the loop's current pass began (read under the lock)
    uint32_t lastPoll = 0;
    int authSector = -1;
    bool selected = false;
    bool extendedReader = false;
    bool atsRead = false;
    Counter128 counter;
    bool counterLoaded = false;
    bool linkLostInTest = false;  // the link went down while a test was set: the next connect is a reconnect
};
