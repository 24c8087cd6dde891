#include "search/port_opener_win32.h"

#include <windows.h>

#include <system_error>
#include <utility>

namespace {

struct OpenJob {
    std::shared_ptr<CRdPort> port;
    std::function<void(OpenOutcome)> done;
};

void CALLBACK RunOpenJob(PTP_CALLBACK_INSTANCE instance, void* context) {
    // The pool lends this thread for as long as the open takes: it is told the call may be long,
    // so that other work gets threads of its own meanwhile.
    CallbackMayRunLong(instance);
    std::unique_ptr<OpenJob> job(static_cast<OpenJob*>(context));
    const OpenOutcome outcome = RunOpen(*job->port);
    job->port.reset();  // an abandoned port closes here, on this thread, before done is told
    job->done(outcome);
}

}  // namespace

void CThreadPortOpener::OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) {
    // Nobody waits for the job: the worker may give up on an open that hangs. The job owns what
    // it uses; done checks with the worker's PendingOpen whether anyone listens.
    auto job = std::make_unique<OpenJob>(OpenJob{std::move(port), std::move(done)});
    if (!TrySubmitThreadpoolCallback(RunOpenJob, job.get(), nullptr))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "TrySubmitThreadpoolCallback");
    job.release();  // RunOpenJob owns it now
}
