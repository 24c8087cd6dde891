#include "reader/reader_worker.h"

CReaderWorker::CReaderWorker(IPlatform& platform, uint32_t id, const RdLinkConstants& link,
                             const ConnectSchedule& schedule)
    : id_(id), shared_(platform.Clock()), session_(platform, shared_, link, schedule) {
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

void CReaderWorker::Start(const std::wstring& name) {
    if (thread_.joinable()) {
        if (!ended_)
            return;
        thread_.join();
    }
    shared_.BeginRun(name);
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
    session_.Wake();
}

void CReaderWorker::Stop() {
    RequestStop();
    if (thread_.joinable())
        thread_.join();
}

void CReaderWorker::StartTest(const TestParameters& parameters, const TestPlan& plan, bool journal) {
    shared_.StartTest(parameters, plan, journal);
    // The first cycle should not wait for the next poll.
    session_.Wake();
}
