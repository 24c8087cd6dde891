#include "tests/search/sim_search_world.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace {
constexpr uint32_t kWriteDelay = 2;  // ms a write takes to complete
}

// A port over a SimDevice, found by name at Open like a real one.
class CSimProbePort : public CRdPort {
public:
    CSimProbePort(CSimSearchWorld& world, const std::wstring& name) : CRdPort(name), world_(world) {}
    ~CSimProbePort() override {
        Close();
        *alive_ = false;
    }

    void SetEvents(EventHandle comm, EventHandle write, EventHandle read) override {
        commEvent_ = comm;
        writeEvent_ = write;
        readEvent_ = read;
    }
    bool Open() override {
        SimDevice& device = world_.Device(Name());
        device.openTimes.push_back(world_.Now());
        if (device.openFailsOddly)
            throw std::runtime_error("driver misbehaved");
        if (device.missing)
            throw CRdPortException(CRdPortException::kNotExists, Name());
        if (device.busyOpens > 0) {
            --device.busyOpens;
            return false;
        }
        Close();
        open_ = true;
        ++device.openPorts;
        return true;
    }
    void Close() override {
        if (!open_)
            return;
        open_ = false;
        readPending_ = writePending_ = lost_ = false;
        --world_.Device(Name()).openPorts;
    }
    bool IsOpen() override { return open_; }
    bool IsBaudSupported(uint32_t) override { return true; }
    void SetParams(uint32_t baud, uint8_t bits, uint8_t character) override {
        CheckIo();
        baudRate_ = baud;
        stopBits_ = bits;
        eventChar_ = character;
    }
    void OnCommEvent() override {
        CheckIo();
        if (writePending_)
            OnWriteDone();
    }
    void Write(const uint8_t* data, size_t size) override {
        CheckIo();
        SimDevice& device = world_.Device(Name());
        const std::string bytes(data, data + size);
        if (bytes == "~\r") {
            ++device.cancelLines;
            // Written after kWriteDelay, then two characters on the line.
            resetOnLineUntil_ =
                world_.Now() + kWriteDelay + (2 * 11 * 1000 + baudRate_) / std::max<uint32_t>(baudRate_, 1);
        }
        if (bytes == "i") {
            device.requestTimes.push_back(world_.Now());
            device.bauds.push_back(baudRate_);
            if (device.reply) {
                const size_t split = device.replySplit ? device.replySplit : device.reply->size();
                Arrive(device.replyDelay, device.reply->substr(0, split));
                if (split < device.reply->size())
                    Arrive(device.replyDelay + device.replyTailDelay, device.reply->substr(split));
            }
        }
        writePending_ = true;
        writeDone_ = false;
        if (device.writeStalls)
            return;
        world_.After(kWriteDelay, [this, alive = alive_] {
            if (!*alive || !open_ || !writePending_)
                return;
            writeDone_ = true;
            world_.SignalEvent(writeEvent_);
        });
    }
    void OnWriteDone() override {
        CheckIo();
        if (writeDone_)
            writePending_ = false;
    }
    void Purge(bool in, bool out) override {
        CheckIo();
        if (in) {
            ClearInput();
            driverQueue_.clear();
        }
        if (out) {
            writePending_ = false;
            if (TicksSince(world_.Now(), resetOnLineUntil_) > 0x80000000u)  // still before it
                ++world_.Device(Name()).droppedLineResets;
        }
    }
    int InputCount() override { return static_cast<int>(driverQueue_.size() + Input().size()); }
    bool Read() override {
        CheckIo();
        if (driverQueue_.empty())
            return false;
        AppendInput(reinterpret_cast<const uint8_t*>(driverQueue_.data()), driverQueue_.size());
        driverQueue_.clear();
        return true;
    }
    void OnReadDone() override { CheckIo(); }

private:
    void Arrive(uint32_t delay, std::string bytes) {
        world_.After(delay, [this, alive = alive_, bytes = std::move(bytes)] {
            if (!*alive || !open_)
                return;
            driverQueue_ += bytes;
            // Without a comm event only a read left waiting reports the arrival.
            if (commEvent_)
                world_.SignalEvent(commEvent_);
            else if (AwaitInput())
                world_.SignalEvent(readEvent_);
        });
    }
    void CheckIo() {
        SimDevice& device = world_.Device(Name());
        if (!open_ || !device.ioFails)
            return;
        ++device.ioFailures;
        throw CRdPortException(CRdPortException::kLostCommunication, Name());
    }

    CSimSearchWorld& world_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    EventHandle commEvent_ = nullptr;  // the search's, as the two below
    EventHandle writeEvent_ = nullptr;
    EventHandle readEvent_ = nullptr;
    bool open_ = false;
    bool writeDone_ = false;
    uint32_t resetOnLineUntil_ = 0;  // clock value when the last "~\r" has left the adapter
    std::string driverQueue_;
};

CEvent CSimSearchWorld::NewEvent() {
    if (openEvents >= eventLimit)
        throw std::system_error(std::make_error_code(std::errc::too_many_files_open));
    ++openEvents;
    // The clock's event, closed through the world so that the closing is counted first.
    return CEvent(*this, clock_.NewEvent().Release());
}

void CSimSearchWorld::CloseEvent(EventHandle event) {
    if (!closedEvents.insert(event).second)
        throw std::logic_error("event closed twice");
    --openEvents;
    clock_.CloseEvent(event);
}

std::unique_ptr<CRdPort> CSimSearchWorld::NewPort(const std::wstring& name) {
    return std::make_unique<CSimProbePort>(*this, name);
}

void CSimSearchWorld::OpenAsync(std::shared_ptr<CRdPort> port, std::function<void(OpenOutcome)> done) {
    const uint32_t delay = Device(port->Name()).openDelay;
    auto open = [port = std::move(port), done = std::move(done)]() mutable {
        const OpenOutcome outcome = RunOpen(*port);
        port.reset();
        done(outcome);
    };
    if (delay == 0)
        open();
    else
        clock_.After(delay, std::move(open));
}

std::vector<ListedPort> CSimSearchWorld::Enumerate(bool searchAll) {
    ++enumerations;
    lastSearchAll = searchAll;
    if (enumerationError)
        throw std::runtime_error("enumeration broke off");
    return listed;
}

int CSimSearchWorld::Wait(const EventHandle* events, size_t count, uint32_t timeoutMs) {
    for (size_t i = 0; i < count; ++i)
        if (closedEvents.count(events[i]))
            throw std::logic_error("waiting on a closed event");
    try {
        // Events come before messages, and messages before anything later in time.
        const int now = clock_.WaitAny(events, count, 0);
        if (now != kWaitTimedOut)
            return now;
        if (!messages_.empty())
            return static_cast<int>(count);
        return clock_.WaitAny(events, count, timeoutMs);
    } catch (const std::logic_error&) {
        // Nothing scheduled and no time-out: the real worker would sleep until the world moves.
        waitedForever = true;
        return kWaitTimedOut;
    }
}

void CSimSearchWorld::PumpMessages() {
    std::vector<std::function<void()>> delivered;
    delivered.swap(messages_);
    for (auto& handler : delivered) handler();
}
