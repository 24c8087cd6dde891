// Opens each probe's port on a short-lived thread of its own, so that an open that blocks holds
// up nothing but itself.
#pragma once

#include "search/port_opener.h"

class CThreadPortOpener final : public IPortOpener {
public:
    // Throws std::system_error when no thread can be started.
    void OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) override;
};
