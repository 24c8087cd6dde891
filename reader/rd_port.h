// The byte pipe to a card reader. A port never blocks: each call starts or completes an
// overlapped request and returns. The owner hands it three events (comm event, write done,
// read done), waits on them together with its own (see wait_clock.h) and calls OnCommEvent,
// OnWriteDone or OnReadDone when one is signalled. Received bytes collect in `input`, which the
// protocol layer scans and empties. Failures throw CRdPortException.
//
// Calling order: create; set name; SetEvents; Open (retried while it returns false);
// SetParams; then any mix of Write, Read, Purge and the completion calls; destroy.
// One thread uses a port object; nothing inside locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
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
    // Bytes waiting in the driver plus bytes in `input`.
    virtual int InputCount() = 0;
    // Moves everything the driver holds into `input`; true when anything arrived. A real port
    // then leaves a read waiting for the next byte (unless awaitInput is clear): the read event
    // reports its arrival.
    virtual bool Read() = 0;
    virtual void OnReadDone() = 0;

    std::wstring name;
    EventHandle commEvent = nullptr;  // not owned
    uint32_t baudRate = 0;            // 0 keeps the driver's rate
    uint8_t eventChar = 0;            // 0: any received byte signals the comm event
    uint8_t stopBits = 0;             // DCB code: 0 = 1, 1 = 1.5, 2 = 2 stop bits
    bool readPending = false;
    bool writePending = false;
    bool lost = false;  // the device went away (access denied during I/O); cleared by Close
    // A read left waiting reports the next byte. Some USB-serial drivers complete such a read at
    // once with nothing; the port then clears this, and its owner waits on the comm event (or,
    // having none, fetches on a timer).
    bool readWaits = true;
    // Read leaves a read waiting for the next byte. An owner that fetches the rest of a reply on
    // a timer clears it: a waiting read wakes it once for every byte.
    bool awaitInput = true;
    std::vector<uint8_t> input;

protected:
    // Appends received bytes, keeping at most kInputLimit of the newest.
    void AppendInput(const uint8_t* data, size_t size);
};
