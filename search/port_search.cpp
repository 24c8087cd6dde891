#include "search/port_search.h"

#include <algorithm>
#include <utility>

CPortSearch::CPortSearch(SearchServices services, const RdLinkConstants& link)
    : platform_(services.platform),
      clock_(services.platform.Clock()),
      enumerator_(services.enumerator),
      opener_(services.opener),
      link_(link) {}

CPortSearch::~CPortSearch() {
    // Ports first, each before its events: a port may still have I/O outstanding on them. An open
    // still under way keeps its port and must not wake a search that is gone. The wake event goes
    // with the search.
    for (ProbeEntry& entry : probes_) ReleasePort(entry);
}

void CPortSearch::Begin() {
    if (!wake_) {
        wake_ = platform_.NewEvent();
        events_.push_back(wake_.Get());
        wakeEvent_ = &wake_;
    }
    running_ = true;
}

void CPortSearch::RequestStop() {
    running_ = false;
    Wake();
}

void CPortSearch::SetSearchAll(bool on) {
    searchAll_ = on;
    RequestRescan();
}

void CPortSearch::Rescan() {
    {
        std::lock_guard lock(mutex_);
        ports_.clear();
    }
    RequestRescan();
}

void CPortSearch::CopyPorts(std::vector<PortEntry>& out) const {
    std::lock_guard lock(mutex_);
    out = ports_;
}

void CPortSearch::RequestRescan() {
    rescanRequested_ = true;
    Wake();
}

void CPortSearch::Wake() {
    if (const CEvent* wake = wakeEvent_)
        wake->Signal();
}

bool CPortSearch::RunPass(ISearchWait& wait) {
    if (!running_) {
        // The worker ends here: its ports close on its own thread, now, not whenever the search
        // object goes (at exit, that is inside the exit handlers). A later start opens them anew.
        for (ProbeEntry& entry : probes_) ReleasePort(entry);
        return false;
    }
    waitTimeout_ = kWaitForever;
    try {
        DoWork();
    } catch (const std::exception&) {
        // A failed enumeration or an event the system would not give ends the work of this pass.
        // The wait still comes, bounded, so that a lasting failure is retried without spinning.
        LowerWaitTimeout(kRetryAfterFailure);
    }
    try {
        WaitAndDispatch(wait);
    } catch (const std::exception&) {
        // The wait failed: the next pass starts over.
    }
    return true;
}

void CPortSearch::DoWork() {
    const size_t owner = std::exchange(eventOwner_, kNoProbe);
    const uint32_t now = clock_.Now();
    // After a port event only its probe can move on: the others' next deadline is the one the
    // last full pass worked out. Stepping all of them for every byte of every reply would cost
    // a few system calls per probe each time, and the passes come byte by byte.
    if (owner < probes_.size() && !rescanRequested_ && TicksSince(now, fullPassTick_) < fullPassTimeout_) {
        StepProbe(owner);
        LowerWaitTimeout(fullPassTimeout_ - TicksSince(now, fullPassTick_));
        return;
    }
    fullPassTimeout_ = 0;  // until this pass is through: a pass that throws is followed by a full one
    if (rescanRequested_)
        Enumerate();
    if (retryPending_)
        RetryScan();
    // Last to first, so that a probe that finishes and is erased leaves the rest in place.
    for (size_t index = probes_.size(); index-- > 0;) StepProbe(index);
    fullPassTick_ = now;
    fullPassTimeout_ = waitTimeout_;
}

void CPortSearch::WaitAndDispatch(ISearchWait& wait) {
    const int result = wait.Wait(events_.data(), events_.size(), waitTimeout_);
    if (result < 0)
        return;
    const auto signalled = static_cast<size_t>(result);
    if (signalled == events_.size())
        wait.PumpMessages();
    else if (signalled == 0)
        OnWake();
    else if (signalled < events_.size())
        OnPortEvent(signalled);
}

void CPortSearch::OnWake() {
    eventOwner_ = kNoProbe;  // a wake can mean anything: the next pass steps every probe
    if (!changed_)
        return;
    changed_ = false;
    if (onPortsChanged)
        onPortsChanged();
}

void CPortSearch::OnPortEvent(size_t eventIndex) {
    // Events after the wake event come in pairs (write, read), one pair per port.
    const size_t firstIndex = 1 + (eventIndex - 1) / kEventsPerProbe * kEventsPerProbe;
    const EventHandle first = events_[firstIndex];
    auto owner = std::find_if(probes_.begin(), probes_.end(), [first](const ProbeEntry& entry) {
        return entry.port && !entry.opening && entry.events[0].Get() == first;
    });
    if (owner == probes_.end())
        return;
    eventOwner_ = static_cast<size_t>(owner - probes_.begin());
    try {
        if (eventIndex == firstIndex)
            owner->port->OnWriteDone();
        else
            owner->port->OnReadDone();
    } catch (const std::exception&) {
        // The probe's next step meets the same failure and ends the probe with it.
    }
}

void CPortSearch::Enumerate() {
    // Cleared first: a request made while this enumeration runs causes one more.
    rescanRequested_ = false;
    const std::vector<ListedPort> listed = enumerator_.Enumerate(searchAll_);

    for (ProbeEntry& entry : probes_) entry.unseen = true;
    {
        std::lock_guard lock(mutex_);
        for (PortEntry& port : ports_) port.stale = true;
    }
    for (const ListedPort& seen : listed) {
        bool probing = false;
        for (ProbeEntry& entry : probes_) {
            if (entry.name != seen.name)
                continue;
            entry.unseen = false;
            probing = true;
        }
        bool found = false;
        {
            std::lock_guard lock(mutex_);
            const size_t index = LowerBoundByName(ports_, seen.name);
            if (index < ports_.size() && ports_[index].name == seen.name) {
                ports_[index].stale = false;
                found = true;
            }
        }
        // A port already in the list is not probed again by an enumeration.
        if (found || probing)
            continue;
        ProbeEntry entry;
        entry.name = seen.name;
        entry.modelHint = seen.modelHint;
        entry.recognised = seen.recognised;
        probes_.push_back(std::move(entry));
    }

    for (size_t index = probes_.size(); index-- > 0;)
        if (probes_[index].unseen)
            DropProbe(index);

    std::lock_guard lock(mutex_);
    const auto erased = std::erase_if(ports_, [](const PortEntry& port) { return port.stale; });
    if (erased > 0)
        MarkChanged();
}

void CPortSearch::RetryScan() {
    bool stillWaiting = false;
    std::vector<ListedPort> due;
    {
        std::lock_guard lock(mutex_);
        const uint32_t now = clock_.Now();
        for (const PortEntry& port : ports_) {
            const auto state = static_cast<ProbeResult>(port.state);
            if (state != ProbeResult::PortBusy && state != ProbeResult::LinkLost)
                continue;
            const uint32_t elapsed = TicksSince(now, port.tick);
            if (elapsed < kRetryInterval) {
                LowerWaitTimeout(kRetryInterval - elapsed);
                stillWaiting = true;
            } else {
                due.push_back({port.name, port.model});
            }
        }
    }
    for (ListedPort& port : due) {
        const bool probing = std::any_of(probes_.begin(), probes_.end(),
                                         [&](const ProbeEntry& entry) { return entry.name == port.name; });
        if (probing)
            continue;
        ProbeEntry entry;
        entry.name = std::move(port.name);
        entry.modelHint = port.modelHint;
        probes_.push_back(std::move(entry));
    }
    retryPending_ = stillWaiting;
}

void CPortSearch::DropProbe(size_t index) {
    ProbeEntry& entry = probes_[index];
    if (entry.port) {
        ReleasePort(entry);
        Wake();  // a wait slot came free
    }
    probes_.erase(probes_.begin() + static_cast<std::ptrdiff_t>(index));
}

void CPortSearch::ReleasePort(ProbeEntry& entry) {
    if (entry.opening) {
        // The opener closes the port when its open ends; nobody is to be woken for it.
        std::lock_guard lock(entry.opening->mutex);
        entry.opening->abandoned = true;
    }
    entry.opening.reset();
    entry.port.reset();  // closes the port, ending its I/O before its events go
    const EventHandle first = entry.events[0].Get();
    if (first && !events_.empty()) {
        auto pair = std::find(events_.begin() + 1, events_.end(), first);
        if (pair != events_.end() && static_cast<size_t>(events_.end() - pair) >= kEventsPerProbe)
            events_.erase(pair, pair + kEventsPerProbe);
    }
    entry.events = {};  // closes them
}

void CPortSearch::MarkChanged() {
    if (changed_)
        return;
    changed_ = true;
    Wake();
}

void CPortSearch::LowerWaitTimeout(uint32_t ms) {
    waitTimeout_ = std::min(waitTimeout_, ms);
}
