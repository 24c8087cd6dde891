#include "tests/reader/session_driver.h"

#include "ui/reader_event_text.h"

CSessionDriver::CSessionDriver(IConnectPlatform& platform, const RdLinkConstants& link,
                               const ConnectSchedule& schedule)
    : shared(platform.Clock()), platform_(platform), session(platform.Clock(), shared, *this, link, schedule) {
    shared.onNotice = [this](ReaderNotice notice) {
        const std::function<void()>& callback = notice == ReaderNotice::kCard ? onCardChanged : onStateChanged;
        if (callback)
            callback();
    };
}

CSessionDriver::~CSessionDriver() {
    for (size_t i = 0; i < eventCount_; ++i) platform_.CloseEvent(events_[i]);
}

void CSessionDriver::MakeEvents(size_t count) {
    while (eventCount_ < count) events_[eventCount_++] = platform_.NewEvent();
    session.UseEvents(events_, eventCount_);
}

std::unique_ptr<CRdPort> CSessionDriver::NewPort() {
    MakeEvents(4);
    return platform_.NewPort();
}

void CSessionDriver::Run(const std::wstring& name) {
    shared.BeginRun(name);
    MakeEvents(2);
    session.Begin(name);
    while (session.Running()) session.RunPass();
    session.End();
}

void CSessionDriver::RequestStop() {
    shared.EndTest();
    session.RequestStop();
    if (events_[0])
        platform_.SignalEvent(events_[0]);
}

void CSessionDriver::StartTest(const TestParameters& parameters) {
    shared.StartTest(parameters);
    if (events_[0])
        platform_.SignalEvent(events_[0]);
}

std::vector<std::wstring> LogLines(const ReaderSnapshot& snapshot) {
    std::vector<std::wstring> lines;
    for (const ReaderEvent& event : snapshot.events) lines.push_back(ReaderEventText(event));
    return lines;
}
