// The reader port over a Win32 COM port with overlapped I/O. Nothing blocks: each call starts
// or completes a request; the owner waits on the three events it handed over. Used by one
// thread at a time (rd_port.h); the kept I/O blocks are shared through CLateBlocks.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "foundation/handle_win32.h"
#include "reader/rd_port.h"

class CRdComPort : public CRdPort {
public:
    static constexpr DWORD kChunkSize = 1024;  // per system call, and the driver's queue sizes

    explicit CRdComPort(std::wstring name);
    ~CRdComPort() override;

    void SetEvents(EventHandle commEvent, EventHandle writeEvent, EventHandle readEvent) override;
    bool Open() override;
    void Close() override;
    bool IsOpen() override { return handle_.IsValid(); }
    bool IsBaudSupported(uint32_t baud) override;
    void SetParams(uint32_t baud, uint8_t stopBits, uint8_t eventChar) override;
    void OnCommEvent() override;
    void Write(const uint8_t* data, size_t size) override;
    void OnWriteDone() override;
    void Purge(bool input, bool output) override;
    int InputCount() override;
    bool Read() override;
    void OnReadDone() override;

private:
    [[noreturn]] void ThrowLost(DWORD error);
    void Configure();
    void ArmCommWait();
    void CompletePending();  // collects a finished write or read
    void Flush();
    void DropWritten(DWORD count);
    DWORD DriverQueued();
    // Completes the waiting read if it has reported back; the bytes it kept.
    DWORD CollectRead();
    // Waits until the request has reported back and collects it, no later than kCancelWaitMs
    // after start (one deadline for every request of a close); false when it has not.
    bool Collect(OVERLAPPED& ov, DWORD start);
    // Cancels every request in flight, from any thread, and collects them. A request that never
    // reports back keeps its memory for good and the port carries on with a fresh block.
    void CancelAndCollect();

    // Everything a request in flight writes into when it ends: owned here, and kept in
    // CLateBlocks instead of being freed while a request may still be out.
    struct IoBlock {
        bool Settled() const {
            return HasOverlappedIoCompleted(&commOv) && HasOverlappedIoCompleted(&writeOv) &&
                   HasOverlappedIoCompleted(&readOv);
        }

        DWORD eventMask = 0;
        OVERLAPPED commOv{};
        OVERLAPPED writeOv{};
        OVERLAPPED readOv{};
        BYTE writeChunk[kChunkSize]{};
        BYTE readChunk[kChunkSize]{};
    };

    // The open port; invalid while closed. Close lets it go only once every request on it has
    // reported back (or been given up, its block kept).
    CHandle handle_;
    // A block is never freed, only handed back to CLateBlocks: a request whose completion the
    // driver misreported (Wine can overwrite a running comm wait's status) may still write into it.
    static std::unique_ptr<IoBlock> TakeBlock();
    std::unique_ptr<IoBlock> io_ = TakeBlock();
    std::vector<uint8_t> pendingOut_;
    bool discardRead_ = false;  // the pending read was cancelled by Purge: its bytes are stale
};
