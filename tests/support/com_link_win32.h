// A serial port set up the way the reader session sets up its own, for the Wine tests and
// benchmarks that talk to the emulated reader through a mapped COM port: four auto-reset events
// (wake, comm, write done, read done), a CRdComPort on events 1 to 3 and one exchange context
// that waits on all four. One thread uses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/exchange.h"
#include "reader/ident.h"
#include "reader/link_constants.h"
#include "reader/rd_com_port_win32.h"
#include "reader/wait_clock_win32.h"

class CComLink {
public:
    // Makes the events (std::system_error when it cannot) and sets the closed port to 9600 baud,
    // the link's stop bits and `eventChar`. Waits go through `clock` when one is given.
    explicit CComLink(const std::wstring& portName, uint8_t eventChar = kIdentEventChar,
                      const RdLinkConstants& constants = kReaderLink, IWaitClock* clock = nullptr);
    CComLink(const CComLink&) = delete;
    CComLink& operator=(const CComLink&) = delete;

    // One exchange; the reply's data land in link.reply.
    int Exchange(uint8_t command, const std::vector<uint8_t>& payload);
    // Moves the reader's link to `baud` with command 0x2F and the port after it. False when the
    // rate is not one of the reader's or the reader refuses.
    bool SwitchLineSpeed(uint32_t baud);

    CWin32WaitClock systemClock;
    CRdExchange link;  // owns the events, which outlive the port (declared after it, so gone first)
    CRdComPort port;
};
