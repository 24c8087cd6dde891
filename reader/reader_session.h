// One reader's logic on one thread: the loop that (re)connects every 5000 ms while no reader
// answers and, once connected, runs the block test step while a test runs, polls the card every
// 333 ms otherwise and keeps the link alive after 18000 ms without a command. It talks to the
// reader over the byte port and waits on the clock; what happens it reports to the shared side
// (reader_shared.h) as typed calls and events, never as texts.
//
// Threads: everything here runs on the thread that calls Begin, RunPass and End (the reader
// worker's, or a test's own), except RequestStop, which any thread may call (it clears an atomic
// flag; the caller then signals the wake event). The session holds no lock of its own; the
// shared side takes its lock inside each report call, and no call is made with a lock held.
//
// Files: reader_session.cpp (the loop and its failures), session_link.cpp (connect, line speed,
// recovery, switch-off), card_poll.cpp (the poll and its commands), card_detect.cpp (the
// detection's commands; the decisions are card_classification.h), block_test.cpp (the test step).
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "reader/card_info.h"
#include "reader/counter128.h"
#include "reader/exchange.h"
#include "reader/ident.h"
#include "reader/link_constants.h"
#include "reader/link_recovery.h"
#include "reader/platform.h"
#include "reader/reader_shared.h"

// The loop's three schedules (ms).
struct ConnectSchedule {
    uint32_t reconnect = 5000;   // between connect attempts while not connected
    uint32_t poll = 333;         // between card polls while connected and no test cycle ran
    uint32_t keepAlive = 18000;  // without any command before the keep-alive goes out
};

struct CardDetection;
struct CardVersion;

class CReaderSession {
public:
    static constexpr uint32_t kOpenRetryPeriod = 1000;
    static constexpr uint32_t kLinkEndWait = ::kLinkEndWait;  // for the switch-off at disconnect
    static constexpr uint32_t kErrorPause = 100;
    static constexpr uint32_t kResetPause = 10;

    // The platform gives the clock, the events the exchange waits on and a port for each
    // connection; the session owns what it makes.
    CReaderSession(IPlatform& platform, CReaderShared& shared, const RdLinkConstants& link = kReaderLink,
                   const ConnectSchedule& schedule = {});
    ~CReaderSession();
    CReaderSession(const CReaderSession&) = delete;
    CReaderSession& operator=(const CReaderSession&) = delete;

    // A run on the named port: the first connect attempt is due at once. Makes the wake and comm
    // events on the first run ([2] write done and [3] read done come with the first port);
    // throws std::system_error when the system has none to give.
    void Begin(const std::wstring& portName);
    bool Running() const { return exchange.running; }
    // One pass of the loop: the step its schedules call for, then one wait (at most the time to
    // the next schedule, none after work that served port events).
    void RunPass();
    // After the last pass: the link switched off and the port closed.
    void End();
    // Any thread: the loop ends after its current pass, and every wait gives up at once.
    void RequestStop() { exchange.running = false; }
    // Any thread, once Begin made the wake event (it is never replaced afterwards): the current
    // wait ends at once.
    void Wake() const { exchange.events[CRdExchange::kWakeEvent].Signal(); }

    // Why the last connect attempt failed (kErrNone after a success), and the test's counter.
    int32_t LastError() const { return exchange.lastError; }
    const Counter128& CurrentCounter() const { return counter; }

private:
    // The loop's pieces (reader_session.cpp).
    bool RunTestCycle();  // the test step with its dialogue failures logged
    void HandleError(const std::exception* error);
    void LogTrouble(const std::exception* error);
    void SetState(int32_t state);

    // Connect (session_link.cpp).
    bool Connect();
    bool OpenPort();
    void Disconnect(bool quiet);
    bool IdentifyAtAnySpeed(ReaderIdentity& found);
    uint8_t ChooseSpeedThePortTakes(const ReaderIdentity& found);
    bool ReturnToIdentSpeed(uint32_t baud);
    void AbandonFastLink(uint32_t baud);
    bool SendLinkEnd();
    void ClosePort();

    // Commands: one exchange each; the status is remembered in lastStatus.
    int Command(uint8_t command, std::initializer_list<uint8_t> payload);
    int Command(uint8_t command, const std::vector<uint8_t>& payload);
    // An exchange whose only acceptable status is success (else CMyError(10)).
    void CommandExpectingSuccess(uint8_t command, std::initializer_list<uint8_t> payload);

    // The card poll (card_poll.cpp).
    void PollCard();
    void ResetField();
    int SelectCard(const CardInfo& card);
    void Indicate(uint8_t code);
    bool UpdateCard(const CardInfo& record);

    // Card detection (card_detect.cpp).
    bool DetectCard(CardInfo& result);
    bool ReadAts(std::vector<uint8_t>& ats, std::vector<uint8_t>& historical);
    void EnsureAts(CardDetection& d);
    bool GetVersion(CardVersion& version);
    void ClassifyBySak(CardDetection& d, CardInfo& result);
    void ClassifyClassicWithAts(CardDetection& d, CardInfo& result, bool fourK);
    void ClassifyIsoCard(CardDetection& d, CardInfo& result);
    void Refine(CardDetection& d, CardInfo& result);
    void ProbeSecurityLevel(CardDetection& d, CardInfo& result);
    void ProbeClassicSize(const CardInfo& card, CardInfo& result, int32_t type1K);
    void ProbeAesSize(CardInfo& result);
    void ProbeSize(const std::function<int(bool)>& probe, CardInfo& result, int32_t type1K, bool refusedMeans1K);

    // The block test step (block_test.cpp).
    bool TestStep();
    bool Authenticate(const TestParameters& test, int sector);
    void NoCard();
    void AuthRefused();  // forgets the sector's authentication and counts the refusal

    IPlatform& platform;
    IWaitClock& clock;
    CReaderShared& shared;
    const ConnectSchedule schedule;
    // The exchange context: port pointer, events, running, waitTimeout, lastActivity, seq,
    // frame, reply, lastStatus and lastError.
    CRdExchange exchange;
    std::wstring portName;
    std::unique_ptr<CRdPort> port;  // exchange.port points at it
    int32_t state = kDisconnected;  // as last reported to the shared side
    CardInfo card;                  // as last published
    uint32_t lastPoll = 0;
    int authSector = -1;
    bool selected = false;
    bool extendedReader = false;
    bool atsRead = false;
    Counter128 counter;
    bool counterLoaded = false;
    bool linkLostInTest = false;  // the link went down while a test was set: the next connect is a reconnect
};
