#include "search/port_opener_win32.h"

#include <thread>

void CThreadPortOpener::OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) {
    // Detached: the worker may give up on an open that hangs, and nobody joins it then. The
    // thread owns what it uses; done checks with the worker's PendingOpen whether anyone listens.
    std::thread([port = std::move(port), done = std::move(done)]() mutable {
        const OpenOutcome outcome = RunOpen(*port);
        port.reset();  // an abandoned port closes here, on this thread, before done is told
        done(outcome);
    }).detach();
}
