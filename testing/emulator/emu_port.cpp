#include "testing/emulator/emu_port.h"

#include <algorithm>


void CEmuPort::SetEvents(EventHandle comm, EventHandle write, EventHandle read) {
    if (open_)
        readPending_ = writePending_ = false;
    commEvent_ = comm;
    writeEvent_ = write;
    readEvent_ = read;
}

bool CEmuPort::Open() {
    if (open_)
        Close();
    if (!exists || unplugged_)
        throw CRdPortException(CRdPortException::kNotExists, Name());
    if (busy)
        return false;
    open_ = true;
    driverQueue_.clear();
    pendingOut_.clear();
    return true;
}

void CEmuPort::Close() {
    if (!open_)
        return;
    if (readPending_ && lateCancelMs > 0) {
        // This driver ends the cancelled read later, writing into its buffer: the buffer must
        // outlive the port, as the real port's I/O block does.
        ReadBuffer* target = readBuffer_.get();
        target->late = true;
        clock_.After(lateCancelMs, [target] {
            target->bytes.fill(0xEE);
            target->late = false;
        });
        CLateBlocks<ReadBuffer>::Keep(std::move(readBuffer_));
        readBuffer_ = CLateBlocks<ReadBuffer>::TakeSettled();
        if (!readBuffer_)
            readBuffer_ = std::make_unique<ReadBuffer>();
    }
    readPending_ = writePending_ = lost_ = false;
    driverQueue_.clear();
    pendingOut_.clear();
    ++generation_;
    open_ = false;
}

void CEmuPort::Fail() {
    lost_ = true;  // a vanished device answers every call with access denied
    throw CRdPortException(CRdPortException::kLostCommunication, Name());
}

void CEmuPort::CheckLine() {
    if (unplugged_ || !open_)
        Fail();
}

void CEmuPort::SetParams(uint32_t baud, uint8_t newStopBits, uint8_t newEventChar) {
    if (open_ && unplugged_)
        Fail();
    if (open_ && refusesAbove != 0 && baud > refusesAbove)
        throw CRdPortException(CRdPortException::kLostCommunication, Name());  // the line stays as it was
    if (baud != 0)
        baudRate_ = baud;
    stopBits_ = newStopBits;
    eventChar_ = newEventChar;
}

void CEmuPort::OnCommEvent() {
    CheckLine();
    if (writePending_)
        OnWriteDone();
}

uint32_t CEmuPort::LineTime(size_t bytes, uint32_t baud) const {
    if (!pacing || baud == 0)
        return 0;
    return static_cast<uint32_t>((bytes * 11 * 1000 + baud - 1) / baud);
}

void CEmuPort::Write(const uint8_t* data, size_t size) {
    CheckLine();
    written.emplace_back(data, data + size);
    if (writePending_)
        OnWriteDone();
    pendingOut_.insert(pendingOut_.end(), data, data + size);
    if (writePending_)
        return;
    const uint32_t latency = std::max(writeLatencyMs, LineTime(pendingOut_.size(), baudRate_));
    if (latency == 0) {
        Transmit(std::move(pendingOut_));
        pendingOut_.clear();
        return;
    }
    writePending_ = true;
    writeDoneAt_ = clock_.Elapsed() + latency;
    const uint64_t generation = generation_;
    clock_.After(latency, [this, generation] {
        if (generation != generation_ || !writePending_ || unplugged_)
            return;
        clock_.Signal(writeEvent_);
    });
}

void CEmuPort::OnWriteDone() {
    if (!writePending_)
        return;
    CheckLine();
    // A write is done when its time has come, however often the owner asks before.
    if (clock_.Elapsed() < writeDoneAt_)
        return;
    writePending_ = false;
    Transmit(std::move(pendingOut_));
    pendingOut_.clear();
}

void CEmuPort::Transmit(std::vector<uint8_t> bytes) {
    if (bytes.empty())
        return;
    // A reader set to another line speed sees only noise and keeps quiet.
    if (baudRate_ != 0 && baudRate_ != reader_.Baud())
        return;
    const std::vector<EmuOutput> replies = reader_.Receive(clock_.Now(), bytes.data(), bytes.size());
    if (reader_.UnplugRequested()) {
        reader_.ClearUnplug();
        Unplug();
        return;
    }
    const uint64_t generation = generation_;
    for (const EmuOutput& output : replies) {
        clock_.After(output.delayMs, [this, output, generation] { Deliver(output, generation); });
    }
}

void CEmuPort::Deliver(const EmuOutput& output, uint64_t generation) {
    if (generation != generation_ || unplugged_ || !open_)
        return;
    if (baudRate_ != 0 && output.baud != baudRate_)
        return;  // garbled at the wrong speed: dropped
    const uint64_t start = std::max<uint64_t>(lineFreeAt_, clock_.Elapsed());
    const uint32_t lineTime = LineTime(output.bytes.size(), output.baud);
    lineFreeAt_ = start + lineTime;
    auto arrive = [this, output, generation] {
        if (generation != generation_ || unplugged_ || !open_)
            return;
        driverQueue_.insert(driverQueue_.end(), output.bytes.begin(), output.bytes.end());
        const bool flagged = eventChar_ == 0 || std::find(output.bytes.begin(), output.bytes.end(),
                                                         eventChar_) != output.bytes.end();
        if (flagged && commEvent_ != nullptr)
            clock_.Signal(commEvent_);
        if (readPending_ && readEvent_ != nullptr)
            clock_.Signal(readEvent_);
    };
    const uint64_t delay = lineFreeAt_ - clock_.Elapsed();
    if (delay == 0)
        arrive();
    else
        clock_.After(static_cast<uint32_t>(delay), arrive);
}

void CEmuPort::Purge(bool purgeInput, bool purgeOutput) {
    CheckLine();
    ++purgeCount;
    if (purgeInput) {
        readPending_ = false;
        ClearInput();
        driverQueue_.clear();
    }
    if (purgeOutput) {
        writePending_ = false;
        pendingOut_.clear();
    }
}

int CEmuPort::InputCount() {
    CheckLine();
    return static_cast<int>(driverQueue_.size() + Input().size());
}

bool CEmuPort::Read() {
    CheckLine();
    const bool any = DrainQueue();  // also what a waiting read would have brought
    if (!readWaits_)
        return any;
    // As on a real port, a read is left waiting for the first byte; its event reports arrivals.
    // A driver that does not wait completes it at once with nothing, and the port then relies
    // on the comm event, as the real port does.
    if (!driverWaitsForFirstByte) {
        if (!any)
            readWaits_ = false;
        return any;
    }
    readPending_ = true;
    return any;
}

void CEmuPort::OnReadDone() {
    if (!readPending_)
        return;
    CheckLine();
    if (driverQueue_.empty())
        return;  // still waiting
    readPending_ = false;
    DrainQueue();
}

bool CEmuPort::DrainQueue() {
    bool any = false;
    while (!driverQueue_.empty()) {  // the driver hands out at most 1024 bytes per read
        const size_t count = std::min<size_t>(driverQueue_.size(), 1024);
        std::vector<uint8_t> chunk(driverQueue_.begin(),
                                   driverQueue_.begin() + static_cast<std::ptrdiff_t>(count));
        driverQueue_.erase(driverQueue_.begin(), driverQueue_.begin() + static_cast<std::ptrdiff_t>(count));
        AppendInput(chunk.data(), chunk.size());
        any = true;
    }
    return any;
}

void CEmuPort::Unplug() {
    unplugged_ = true;
    // Pending requests end with an error: the owner's wait wakes and the next call fails.
    if (commEvent_ != nullptr)
        clock_.Signal(commEvent_);
    if (readPending_ && readEvent_ != nullptr)
        clock_.Signal(readEvent_);
    if (writePending_ && writeEvent_ != nullptr)
        clock_.Signal(writeEvent_);
}

void CEmuPort::InjectNoise(std::vector<uint8_t> bytes, uint32_t delayMs) {
    const EmuOutput noise{0, std::move(bytes), baudRate_};
    const uint64_t generation = generation_;
    clock_.After(delayMs, [this, noise, generation] { Deliver(noise, generation); });
}
