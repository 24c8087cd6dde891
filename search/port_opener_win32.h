// Opens each probe's port on a thread of the system's pool, so that an open that blocks holds up
// nothing but itself: the job tells the pool it may run long, and other opens get other threads.
// The pool keeps its threads for a while, so a burst of opens does not start a thread for each.
#pragma once

#include "search/port_opener.h"

class CThreadPortOpener final : public IPortOpener {
public:
    // Throws std::system_error when the pool takes no more work.
    void OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) override;
};
