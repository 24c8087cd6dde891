// What a reader session reports for the test's log: codes and values, never texts. The user
// interface words them in the user's language (ui/reader_event_text.h), for the page's log and
// for the saved report alike.
#pragma once

#include <cstdint>
#include <string>

enum class ReaderEventKind : uint8_t {
    kNoCard,          // no Classic card to test on the reader
    kTrailerRefused,  // the chosen block is a sector trailer: never written
    kAuthError,       // the sector's authentication failed
    kWriteError,      // status: the reader's answer to the write
    kReadError,       // status: the reader's answer to a read-back
    kMismatch,        // three read-backs differed from the value written
    kCommandFailed,   // command, status: a status the step does not handle
    kNoReply,         // command: no usable reply in time
    kBadReply,        // command: a reply came but was invalid or too short
    kFailure,         // message: a port failure (it names the port) or another exception
};

struct ReaderEvent {
    ReaderEventKind kind = ReaderEventKind::kFailure;
    uint8_t command = 0;
    int32_t status = 0;
    std::string message;  // kFailure: the exception's text, in the system's ANSI code page
    uint64_t repeats = 0;  // a folded line: the event came back this many times after its first line

    static ReaderEvent Of(ReaderEventKind kind) { return {kind, 0, 0, {}, 0}; }
    static ReaderEvent WithStatus(ReaderEventKind kind, int32_t status) { return {kind, 0, status, {}, 0}; }
    static ReaderEvent OfCommand(ReaderEventKind kind, uint8_t command, int32_t status = 0) {
        return {kind, command, status, {}, 0};
    }
    static ReaderEvent Failure(std::string message) { return {ReaderEventKind::kFailure, 0, 0, std::move(message), 0}; }

    bool operator==(const ReaderEvent&) const = default;
};
