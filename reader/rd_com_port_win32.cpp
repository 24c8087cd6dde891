#include "reader/rd_com_port_win32.h"

#include <algorithm>
#include <utility>

#include "reader/baud_flags.h"
#include "reader/late_io.h"

namespace {

constexpr DWORD kDcbLength = 28;
// How long a cancelled request may take to report back before it is given up (its memory kept).
constexpr DWORD kCancelWaitMs = 1000;
// How long a read left waiting for the first byte stays out before it completes empty and the
// next Read starts another.
constexpr DWORD kReadWaitMs = 60000;
// A read waiting for several bytes ends this long after the last one came, whatever it has by
// then: a reader pausing mid-reply, or a driver that misses an arrival (seen under Wine with a
// loaded machine), costs a short wait and another read, not the whole reply timeout.
constexpr DWORD kByteGapMs = 10;

DWORD CommMaskFor(uint8_t eventChar) {
    return eventChar != 0 ? EV_RXFLAG : EV_RXCHAR;
}

}  // namespace

CRdComPort::CRdComPort(std::wstring name) : CRdPort(std::move(name)) {}

CRdComPort::~CRdComPort() {
    if (IsOpen())
        Close();
    CLateBlocks<IoBlock>::Keep(std::move(io_));
}

// A settled block an earlier port handed back, cleared, or a new one: the kept blocks number as
// many as were ever in use or out at one time.
std::unique_ptr<CRdComPort::IoBlock> CRdComPort::TakeBlock() {
    std::unique_ptr<IoBlock> block = CLateBlocks<IoBlock>::TakeSettled();
    if (!block)
        return std::make_unique<IoBlock>();
    *block = IoBlock{};
    return block;
}

void CRdComPort::ThrowLost(DWORD error) {
    if (error == ERROR_ACCESS_DENIED)
        lost_ = true;
    throw CRdPortException(CRdPortException::kLostCommunication, Name());
}

void CRdComPort::SetEvents(EventHandle comm, EventHandle write, EventHandle read) {
    if (IsOpen())
        CancelAndCollect();
    io_->commOv.hEvent = static_cast<HANDLE>(comm);
    io_->writeOv.hEvent = static_cast<HANDLE>(write);
    io_->readOv.hEvent = static_cast<HANDLE>(read);
    if (IsOpen() && comm != nullptr)
        OnCommEvent();
}

bool CRdComPort::Open() {
    if (IsOpen())
        Close();
    const std::wstring path = L"\\\\.\\" + Name();
    CHandle opened(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr));
    if (!opened.IsValid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            throw CRdPortException(CRdPortException::kNotExists, Name());
        // Another program holds the port: Windows' serial drivers say access denied, Wine's
        // exclusive-open check says sharing violation. Either way the port is busy, not broken.
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return false;
        throw CRdPortException(CRdPortException::kOpenFailed, Name());
    }
    handle_ = std::move(opened);
    try {
        Configure();
        if (!PurgeComm(handle_.Get(), PURGE_TXCLEAR | PURGE_RXCLEAR))
            ThrowLost(GetLastError());
        if (io_->commOv.hEvent != nullptr)
            OnCommEvent();
    } catch (...) {
        Close();
        throw;
    }
    return true;
}

void CRdComPort::Configure() {
    const auto fail = [this] { throw CRdPortException(CRdPortException::kConfigFailed, Name()); };
    if (!SetupComm(handle_.Get(), kChunkSize, kChunkSize))
        fail();
    DCB dcb{};
    dcb.DCBlength = kDcbLength;
    if (!GetCommState(handle_.Get(), &dcb))
        fail();
    if (baudRate_ != 0)
        dcb.BaudRate = baudRate_;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = stopBits_;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.EvtChar = static_cast<char>(eventChar_);
    if (!SetCommState(handle_.Get(), &dcb))
        fail();
    // A read completes once it has as many bytes as it asked for, or kByteGapMs after the last
    // byte it got. Read asks for what the driver holds, or else for the first byte (or the rest
    // of a reply the owner expects), and leaves such a read waiting, so a reply wakes the owner
    // through the read event as soon as it starts to arrive, or once it is whole. (Some drivers,
    // Wine's among them, only poll for the comm event, about once a millisecond.)
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kByteGapMs;
    timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
    if (!SetCommTimeouts(handle_.Get(), &timeouts))
        fail();
    if (!SetCommMask(handle_.Get(), CommMaskFor(eventChar_)))
        fail();
}

void CRdComPort::Close() {
    if (!IsOpen())
        return;
    SetCommMask(handle_.Get(), 0);
    lost_ = false;
    PurgeComm(handle_.Get(), PURGE_TXCLEAR | PURGE_RXCLEAR);
    // Requests still in flight write into the I/O block: they must have reported back before
    // the handle goes and the block may be freed.
    CancelAndCollect();
    handle_.Close();
    pendingOut_.clear();
}

bool CRdComPort::Collect(OVERLAPPED& ov, DWORD start) {
    // The request's own status decides, not its event: the owner's wait may have consumed the
    // auto-reset event already. A driver that never reports a cancellation (seen under Wine with
    // a silent device) must not hang the caller, so the wait is bounded.
    while (!HasOverlappedIoCompleted(&ov)) {
        if (GetTickCount() - start >= kCancelWaitMs)
            return false;
        if (ov.hEvent != nullptr)
            WaitForSingleObject(ov.hEvent, 10);
        else
            Sleep(1);
    }
    DWORD transferred = 0;
    GetOverlappedResult(handle_.Get(), &ov, &transferred, FALSE);
    return true;
}

void CRdComPort::CancelAndCollect() {
    // CancelIoEx reaches requests whichever thread started them (CancelIo only the caller's).
    CancelIoEx(handle_.Get(), nullptr);
    // One deadline for all three: a driver that reports none of them back costs one wait, not three.
    const DWORD start = GetTickCount();
    bool settled = true;
    for (OVERLAPPED* ov : {&io_->commOv, &io_->writeOv, &io_->readOv}) settled = Collect(*ov, start) && settled;
    readPending_ = false;
    writePending_ = false;
    discardRead_ = false;
    if (settled)
        return;
    // A driver may still write into the old block: it stays alive, and the port goes on with a
    // fresh one (or one an earlier port left behind that has settled since) on the same events.
    std::unique_ptr<IoBlock> fresh = TakeBlock();
    fresh->commOv.hEvent = io_->commOv.hEvent;
    fresh->writeOv.hEvent = io_->writeOv.hEvent;
    fresh->readOv.hEvent = io_->readOv.hEvent;
    CLateBlocks<IoBlock>::Keep(std::move(io_));
    io_ = std::move(fresh);
}

bool CRdComPort::IsBaudSupported(uint32_t baud) {
    COMMPROP properties{};
    if (!GetCommProperties(handle_.Get(), &properties))
        ThrowLost(GetLastError());
    return DriverSupportsBaud(properties.dwMaxBaud, properties.dwSettableBaud, baud);
}

void CRdComPort::SetParams(uint32_t baud, uint8_t newStopBits, uint8_t newEventChar) {
    if (!IsOpen()) {
        baudRate_ = baud;
        stopBits_ = newStopBits;
        eventChar_ = newEventChar;
        return;
    }
    DCB dcb{};
    dcb.DCBlength = kDcbLength;
    if (!GetCommState(handle_.Get(), &dcb))
        ThrowLost(GetLastError());
    dcb.StopBits = newStopBits;
    dcb.EvtChar = static_cast<char>(newEventChar);
    if (baud != 0)
        dcb.BaudRate = baud;
    if (!SetCommState(handle_.Get(), &dcb))
        ThrowLost(GetLastError());
    baudRate_ = baud;
    stopBits_ = newStopBits;
    if (newEventChar == eventChar_)
        return;
    eventChar_ = newEventChar;
    if (!SetCommMask(handle_.Get(), CommMaskFor(eventChar_)))
        ThrowLost(GetLastError());
    OnCommEvent();
}

void CRdComPort::ArmCommWait() {
    if (!WaitCommEvent(handle_.Get(), &io_->eventMask, &io_->commOv)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING && error != ERROR_INVALID_PARAMETER)
            ThrowLost(error);
    }
}

void CRdComPort::OnCommEvent() {
    // Without a comm event the owner relies on the waiting read alone, and no comm wait is armed:
    // under Wine every armed wait is a thread polling the line about once a millisecond.
    if (io_->commOv.hEvent == nullptr) {
        CompletePending();
        return;
    }
    DWORD transferred = 0;
    if (GetOverlappedResult(handle_.Get(), &io_->commOv, &transferred, FALSE)) {
        ArmCommWait();
    } else {
        const DWORD error = GetLastError();
        // A cancelled wait is simply armed again. So is one whose arming was refused with
        // ERROR_INVALID_PARAMETER (tolerated when arming): its request then carries that status,
        // which is no sign of a lost device.
        if (error == ERROR_OPERATION_ABORTED || error == ERROR_INVALID_PARAMETER) {
            ArmCommWait();
            return;
        }
        // Still pending is left alone. (Wine can lose a wait that ends while WaitCommEvent
        // returns, so that it reads as pending for ever. It cannot be told from a running one,
        // and arming over a running wait is refused with a status written over the running
        // wait's own, after which Close could no longer tell when it ends. Received bytes are
        // reported by the waiting read, so a lost comm wait costs nothing.)
        if (error != ERROR_IO_INCOMPLETE)
            ThrowLost(error);
    }
    CompletePending();
}

void CRdComPort::CompletePending() {
    if (writePending_)
        OnWriteDone();
    if (readPending_)
        OnReadDone();
}

void CRdComPort::Write(const uint8_t* data, size_t size) {
    if (writePending_)
        OnWriteDone();
    pendingOut_.insert(pendingOut_.end(), data, data + size);
    Flush();
}

void CRdComPort::DropWritten(DWORD count) {
    const size_t drop = std::min<size_t>(count, pendingOut_.size());
    pendingOut_.erase(pendingOut_.begin(), pendingOut_.begin() + static_cast<std::ptrdiff_t>(drop));
}

void CRdComPort::Flush() {
    while (!pendingOut_.empty() && !writePending_) {
        const DWORD count = static_cast<DWORD>(std::min<size_t>(pendingOut_.size(), kChunkSize));
        std::copy(pendingOut_.begin(), pendingOut_.begin() + count, io_->writeChunk);
        DWORD written = 0;
        if (WriteFile(handle_.Get(), io_->writeChunk, count, &written, &io_->writeOv)) {
            DropWritten(written);
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING)
            ThrowLost(error);
        writePending_ = true;
    }
}

void CRdComPort::OnWriteDone() {
    if (!writePending_)
        return;
    DWORD written = 0;
    if (!GetOverlappedResult(handle_.Get(), &io_->writeOv, &written, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        ThrowLost(error);
    }
    writePending_ = false;
    DropWritten(written);
    Flush();
}

DWORD CRdComPort::DriverQueued() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_.Get(), &errors, &status))
        ThrowLost(GetLastError());
    return status.cbInQue;
}

bool CRdComPort::Read() {
    // An owner that expects a count of bytes (the rest of a reply) gets one read waiting for all
    // of them, and none left waiting once they are in: it asks again when it knows what comes
    // next. Only while the read's event wakes the owner: a driver that ignores the wait, or an
    // owner fetching on a timer, takes what is there.
    const size_t expected = TakeExpected();
    const bool counted = expected > 1 && readWaits_ && AwaitInput();
    size_t due = counted ? expected : 1;
    bool any = false;
    const auto took = [&](DWORD got) {
        any = any || got != 0;
        due = due > got ? due - got : 0;
        return counted && due == 0;
    };
    for (;;) {
        if (readPending_) {
            const DWORD got = CollectRead();
            if (readPending_ || took(got))
                return any;
        }
        // With nothing queued the read below waits for the first byte (see Configure), unless
        // this driver has shown that it does not wait (the comm event then reports arrivals) or
        // the owner fetches on a timer.
        const DWORD queued = DriverQueued();
        if (queued == 0 && (!readWaits_ || !AwaitInput()))
            return any;
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::clamp<size_t>(std::max<size_t>(queued, due), 1, kChunkSize));
        if (!ReadFile(handle_.Get(), io_->readChunk, wanted, &got, &io_->readOv)) {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                readPending_ = true;
                return any;
            }
            if (error != ERROR_HANDLE_EOF)
                ThrowLost(error);
            got = 0;
        }
        // Nothing came although the read returned: asking again would spin, so the next Read
        // tries anew. A read that was to wait for the first byte and came back at once empty
        // shows a driver that ignores that wait (some USB-serial drivers): for this port the
        // owner waits on the comm event from now on.
        if (got == 0) {
            if (queued == 0)
                readWaits_ = false;
            return any;
        }
        AppendInput(io_->readChunk, got);
        if (took(got))
            return any;
    }
}

void CRdComPort::OnReadDone() {
    CollectRead();
}

DWORD CRdComPort::CollectRead() {
    if (!readPending_)
        return 0;
    DWORD got = 0;
    if (!GetOverlappedResult(handle_.Get(), &io_->readOv, &got, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return 0;
        // A read cancelled by Purge ends this way; anything else means the device is gone.
        if (error != ERROR_OPERATION_ABORTED || !discardRead_)
            ThrowLost(error);
        got = 0;
    }
    readPending_ = false;
    const bool keep = !discardRead_;
    discardRead_ = false;
    if (!keep)
        return 0;
    AppendInput(io_->readChunk, got);
    return got;
}

void CRdComPort::Purge(bool purgeInput, bool purgeOutput) {
    DWORD flags = 0;
    if (purgeInput) {
        ClearInput();
        flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        // The waiting read may already hold old bytes, and not every driver aborts it on a
        // purge: cancel it and drop what it brings. It stays pending (its buffer in use) until
        // it reports back; the next Read or read event collects it.
        if (readPending_) {
            discardRead_ = true;
            CancelIoEx(handle_.Get(), &io_->readOv);
        }
    }
    if (purgeOutput) {
        pendingOut_.clear();
        flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    }
    if (!PurgeComm(handle_.Get(), flags))
        ThrowLost(GetLastError());
    // The write in flight is aborted by the purge; it must have reported back before its
    // OVERLAPPED and chunk serve the next write. One that never does ends the port's use.
    if (purgeOutput && writePending_) {
        CancelIoEx(handle_.Get(), &io_->writeOv);
        if (!Collect(io_->writeOv, GetTickCount()))
            ThrowLost(ERROR_OPERATION_ABORTED);
        writePending_ = false;
    }
}

int CRdComPort::InputCount() {
    return static_cast<int>(DriverQueued() + Input().size());
}
