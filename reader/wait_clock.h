// The time and waiting the reader layer needs, behind an interface of our own so that the
// protocol runs unchanged against a real serial port (tick count, WaitForMultipleObjects) and
// against the in-process reader emulator (a simulated clock that jumps to the next event).
//
// Users: the exchange of the connection thread makes ONE wait serve its stop event and the
// port's three overlapped-I/O events, bounded by its timers; the port probing never waits at all
// (it only reads Now and lowers its worker's wait), so up to 21 probes run side by side over the
// same port interface and clock.
#pragma once

#include <cstddef>
#include <cstdint>

// A waitable event: on Windows the HANDLE of an auto-reset event; in the simulated world a token
// made by the simulated clock. Borrowed: the CEvent that owns it (event.h) closes it, never a
// port or a wait.
using EventHandle = void*;

inline constexpr uint32_t kWaitForever = 0xFFFFFFFF;  // INFINITE
inline constexpr int kWaitTimedOut = -1;

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds on a 32-bit counter that wraps; compare only differences (Now() - earlier).
    virtual uint32_t Now() = 0;
};

class IWaitClock : public IClock {
public:
    // Waits until one of the events is signalled (an auto-reset event is reset by the wait) or
    // timeoutMs pass. Returns the index of the signalled event (the lowest one when several are)
    // or kWaitTimedOut. Throws std::system_error when the wait itself fails.
    virtual int WaitAny(const EventHandle* events, size_t count, uint32_t timeoutMs) = 0;
    // Lets time pass without serving any event (the short pauses the reader needs).
    virtual void Pause(uint32_t ms) = 0;
};

// Elapsed milliseconds since an earlier tick; harmless across the counter's wrap.
inline uint32_t TicksSince(uint32_t now, uint32_t earlier) {
    return now - earlier;
}
