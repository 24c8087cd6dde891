// The in-process front end: the emulated reader behind the port interface, on a simulated
// clock. Bytes written reach the reader when the write completes; its replies land in the
// driver queue when their time comes and signal the comm event, and the read event when Read
// left a read waiting, as a serial driver would.
#pragma once

#include <cstdint>
#include <array>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "reader/late_io.h"
#include "reader/rd_port.h"
#include "testing/emulator/reader_emulator.h"
#include "testing/emulator/sim_clock.h"

// One thread uses a port, on the thread of its clock.
class CEmuPort : public CRdPort {
public:
    CEmuPort(CReaderEmulator& reader, CSimClock& clock, std::wstring name = {})
        : CRdPort(std::move(name)), reader_(reader), clock_(clock) {}
    ~CEmuPort() override { Close(); }

    void SetEvents(EventHandle commEvent, EventHandle writeEvent, EventHandle readEvent) override;
    bool Open() override;
    void Close() override;
    bool IsOpen() override { return open_; }
    bool IsBaudSupported(uint32_t baud) override { return maxBaud >= baud; }
    void SetParams(uint32_t baud, uint8_t stopBits, uint8_t eventChar) override;
    void OnCommEvent() override;
    void Write(const uint8_t* data, size_t size) override;
    void OnWriteDone() override;
    void Purge(bool input, bool output) override;
    int InputCount() override;
    bool Read() override;
    void OnReadDone() override;

    // The device vanishes: every later call fails with the lost-communication error.
    void Unplug();
    // Line noise: bytes that arrive after delayMs as if the reader had sent them.
    void InjectNoise(std::vector<uint8_t> bytes, uint32_t delayMs);

    // Test knobs.
    bool exists = true;  // false: Open throws "not exists"
    bool busy = false;   // true: Open returns false
    uint32_t maxBaud = 230400;
    // >0: setting a faster line fails, as with the standard driver of a 16550-class port, which
    // claims any rate (maxBaud) and refuses those above 115200 only in SetCommState.
    uint32_t refusesAbove = 0;
    uint32_t writeLatencyMs = 0;                // >0: a write stays pending this long
    bool pacing = false;                        // bytes take 11 bit times each on the line
    bool driverWaitsForFirstByte = true;        // false: a waiting read completes at once, empty
    uint32_t lateCancelMs = 0;                  // >0: a read cancelled at Close ends this much later
    std::vector<std::vector<uint8_t>> written;  // every Write, in order
    size_t purgeCount = 0;

private:
    void Fail();
    bool DrainQueue();  // the driver queue into input; true when anything moved
    void CheckLine();
    void Transmit(std::vector<uint8_t> bytes);
    void Deliver(const EmuOutput& output, uint64_t generation);
    uint32_t LineTime(size_t bytes, uint32_t baud) const;

    CReaderEmulator& reader_;
    CSimClock& clock_;
    EventHandle commEvent_ = nullptr;  // the owner's, as the two below
    EventHandle writeEvent_ = nullptr;
    EventHandle readEvent_ = nullptr;
    bool open_ = false;
    bool unplugged_ = false;
    uint64_t generation_ = 0;  // bumped by Close: bytes still on their way to a closed port vanish
    std::deque<uint8_t> driverQueue_;
    std::vector<uint8_t> pendingOut_;
    uint64_t lineFreeAt_ = 0;
    uint64_t writeDoneAt_ = 0;  // simulated time at which the pending write completes
    // What the waiting read fills, as a driver does when it completes (see lateCancelMs).
    struct ReadBuffer {
        std::array<uint8_t, 1024> bytes{};
        bool late = false;  // a cancelled read is still to end in it
        bool Settled() const { return !late; }
    };
    std::unique_ptr<ReadBuffer> readBuffer_ = std::make_unique<ReadBuffer>();

public:
    // Read buffers that ports closed with a late read kept, over all ports.
    static size_t KeptBuffers() { return CLateBlocks<ReadBuffer>::Count(); }
};
