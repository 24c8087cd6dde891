#include "reader/reader_worker.h"

CReaderWorker::CReaderWorker(IConnectPlatform& platform, uint32_t id, const RdLinkConstants& link,
                             const ConnectSchedule& schedule)
    : id_(id),
      platform_(platform),
      shared_(platform.Clock()),
      events_(platform),
      session_(platform.Clock(), shared_, *this, link, schedule) {
    shared_.onNotice = [this](ReaderNotice notice) {
        const std::function<void()>& callback = notice == ReaderNotice::kCard ? onCardChanged : onStateChanged;
        if (callback)
            callback();
    };
}

CReaderWorker::~CReaderWorker() {
    if (thread_.joinable())
        Stop();
}

// The one place the worker asks the platform for events and ports.
void CReaderWorker::Events::MakeUpTo(size_t wanted) {
    while (count < wanted) handles[count++] = platform.NewEvent();
}

CReaderWorker::Events::~Events() {
    for (size_t i = 0; i < count; ++i) platform.CloseEvent(handles[i]);
}

std::unique_ptr<CRdPort> CReaderWorker::NewPort() {
    events_.MakeUpTo(4);
    session_.UseEvents(events_.handles, events_.count);
    return platform_.NewPort();
}

void CReaderWorker::Wake() {
    // events[0] is made before the worker starts and never changes while it runs; the worker adds
    // the others later, so only this one is read from here.
    if (events_.handles[0])
        platform_.SignalEvent(events_.handles[0]);
}

void CReaderWorker::Start(const std::wstring& name) {
    if (thread_.joinable()) {
        if (!ended_)
            return;
        thread_.join();
    }
    shared_.BeginRun(name);
    events_.MakeUpTo(2);
    session_.UseEvents(events_.handles, events_.count);
    session_.Begin(name);
    active_ = true;
    ended_ = false;
    try {
        thread_ = std::thread([this] {
            while (session_.Running()) session_.RunPass();
            session_.End();
            ended_ = true;
            if (onEnded)
                onEnded();
        });
    } catch (...) {
        session_.RequestStop();
        active_ = false;
        throw;
    }
}

void CReaderWorker::RequestStop() {
    shared_.EndTest();
    active_ = false;
    session_.RequestStop();
    Wake();
}

void CReaderWorker::Stop() {
    RequestStop();
    if (thread_.joinable())
        thread_.join();
}

void CReaderWorker::StartTest(const TestParameters& parameters) {
    shared_.StartTest(parameters);
    // The first cycle should not wait for the next poll.
    Wake();
}
