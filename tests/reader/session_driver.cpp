#include "tests/reader/session_driver.h"

#include "ui/reader_event_text.h"

CSessionDriver::CSessionDriver(IPlatform& platform, const RdLinkConstants& link, const ConnectSchedule& schedule)
    : shared(platform.Clock()), session(platform, shared, link, schedule) {
    shared.onNotice = [this](ReaderNotice notice) {
        const std::function<void()>& callback = notice == ReaderNotice::kCard ? onCardChanged : onStateChanged;
        if (callback)
            callback();
    };
}

void CSessionDriver::Run(const std::wstring& name) {
    shared.BeginRun(name);
    session.Begin(name);
    while (session.Running()) session.RunPass();
    session.End();
}

void CSessionDriver::RequestStop() {
    shared.EndTest();
    session.RequestStop();
    session.Wake();
}

void CSessionDriver::StartTest(const TestParameters& parameters, const TestPlan& plan) {
    shared.StartTest(parameters, plan);
    session.Wake();
}

std::vector<std::wstring> LogLines(const ReaderSnapshot& snapshot) {
    std::vector<std::wstring> lines;
    for (const ReaderEvent& event : snapshot.events) lines.push_back(ReaderEventText(event));
    return lines;
}
