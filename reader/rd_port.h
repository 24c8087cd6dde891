// The byte pipe to a card reader. A port never blocks: each call starts or completes an
// overlapped request and returns. The owner hands it three events (comm event, write done,
// read done), waits on them together with its own (see wait_clock.h) and calls OnCommEvent,
// OnWriteDone or OnReadDone when one is signalled. Received bytes collect in the input, which the
// protocol layer scans and empties. Failures throw CRdPortException.
//
// Calling order: create (named); SetEvents; Open (retried while it returns false); SetParams;
// then any mix of Write, Read, Purge and the completion calls; destroy.
//
// Ownership: the port's state is its own. The owner reads it through the accessors and changes
// it only through the calls below (SetParams, SetAwaitInput, ClearInput, ScanInputForFrame); an
// implementation writes the protected fields. The events stay the owner's: a port never closes
// them, and the owner keeps them until the port is gone.
// Threads: one thread uses a port object at a time (the one that owns it, or an opener it lent
// the port to); nothing inside locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "reader/wait_clock.h"

// Failure of the port layer; the message names the port and is the same in every language.
class CRdPortException : public std::runtime_error {
public:
    enum Code : int {
        kNoError = 0,
        kUnknown = 1,
        kNotExists = 2,          // the port does not exist
        kOpenFailed = 3,         // it exists but cannot be opened
        kConfigFailed = 4,       // opened, but the line could not be configured
        kLostCommunication = 5,  // an I/O-side call failed
    };

    CRdPortException(int code, const std::wstring& portName);

    int code;
    std::string portName;  // in the system ANSI code page

private:
    static std::string Format(int code, const std::string& narrowName);
};

class CRdPort {
public:
    // Received bytes are kept up to this many; on overflow the oldest go first. A reply frame is
    // at most 255 bytes and the identification line about a hundred, so only a device flooding
    // the line without ever completing a reply reaches it, and then only its newest bytes matter.
    static constexpr size_t kInputLimit = 4096;

    virtual ~CRdPort() = default;
    CRdPort(const CRdPort&) = delete;
    CRdPort& operator=(const CRdPort&) = delete;

    virtual void SetEvents(EventHandle commEvent, EventHandle writeEvent, EventHandle readEvent) = 0;
    // False only when the port is busy (held by another program); throws codes 2, 3 and 4.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() = 0;
    virtual bool IsBaudSupported(uint32_t baud) = 0;
    // Changes the line settings; on a closed port it only records them for the next Open.
    virtual void SetParams(uint32_t baud, uint8_t stopBits, uint8_t eventChar) = 0;
    virtual void OnCommEvent() = 0;
    virtual void Write(const uint8_t* data, size_t size) = 0;
    virtual void OnWriteDone() = 0;
    virtual void Purge(bool input, bool output) = 0;
    // Bytes waiting in the driver plus bytes in the input.
    virtual int InputCount() = 0;
    // Moves everything the driver holds into the input; true when anything arrived. A real port
    // then leaves a read waiting for the next byte (unless SetAwaitInput(false)): the read event
    // reports its arrival.
    virtual bool Read() = 0;
    virtual void OnReadDone() = 0;

    const std::wstring& Name() const { return name_; }
    uint32_t BaudRate() const { return baudRate_; }
    uint8_t StopBits() const { return stopBits_; }
    uint8_t EventChar() const { return eventChar_; }
    bool ReadPending() const { return readPending_; }
    bool WritePending() const { return writePending_; }
    // The device went away (access denied during I/O); cleared by Close.
    bool Lost() const { return lost_; }
    // A read left waiting reports the next byte. Some USB-serial drivers complete such a read at
    // once with nothing; the port then clears this, and its owner waits on the comm event (or,
    // having none, fetches on a timer).
    bool ReadWaits() const { return readWaits_; }

    // Read leaves a read waiting for the next byte (the default). An owner that fetches the rest
    // of a reply on a timer clears it: a waiting read wakes it once for every byte.
    void SetAwaitInput(bool await) { awaitInput_ = await; }
    // The owner knows at least count more bytes are due (the rest of a reply whose length it has
    // read, say): the next Read may leave its read waiting for all of them, so a reply arriving
    // byte by byte wakes the owner once, not once a byte. One Read takes it.
    void ExpectBytes(size_t count) { expected_ = count; }

    // The received bytes not yet taken by the protocol layer, at most kInputLimit of the newest.
    const std::vector<uint8_t>& Input() const { return input_; }
    void ClearInput() { input_.clear(); }
    // One scan of the input for the reply numbered seq (ScanForFrame, frame.h): drops the bytes
    // it passes over; true when that reply is complete at the start.
    bool ScanInputForFrame(uint8_t seq);

protected:
    explicit CRdPort(std::wstring name) : name_(std::move(name)) {}

    // Appends received bytes, keeping at most kInputLimit of the newest.
    void AppendInput(const uint8_t* data, size_t size);
    bool AwaitInput() const { return awaitInput_; }
    size_t TakeExpected() { return std::exchange(expected_, size_t{1}); }

    // Written by the implementation alone.
    uint32_t baudRate_ = 0;   // 0 keeps the driver's rate
    uint8_t eventChar_ = 0;   // 0: any received byte signals the comm event
    uint8_t stopBits_ = 0;    // DCB code: 0 = 1, 1 = 1.5, 2 = 2 stop bits
    bool readPending_ = false;
    bool writePending_ = false;
    bool lost_ = false;
    bool readWaits_ = true;

private:
    const std::wstring name_;
    bool awaitInput_ = true;  // written by the owner
    size_t expected_ = 1;     // written by the owner
    std::vector<uint8_t> input_;
};
