// The reader's text identification: the query "i" is answered by one line such as
//   ... S/N: 12345 ... [811] ... Software version: 1.8.0 ... Build Nov 16 2010 10:20:30 <CR>
// This file decides when such an answer is complete, parses it, and runs the query.
#pragma once

#include <cstddef>
#include <cstdint>

class CRdExchange;

struct ReaderIdentity {
    int32_t model = 0;      // 0..12, 0 = not recognised
    int32_t serial = -1;    // -1 = none
    uint32_t firmware = 0;  // major.minor.build.revision, major in the top byte; 0 = none
    int64_t buildTime = 0;  // time_t of the build date, taken as local time
};

// Model numbers the hardware codes in square brackets map to.
int32_t ModelFromCode(uint32_t code, bool clIVariant);

// True when the received bytes hold the answer up to its carriage return.
bool IsIdentComplete(const uint8_t* data, size_t length);

// Parses a zero-terminated answer. Sets serial to -1 first; the other fields are written as the
// parse reaches them. False when "S/N:" or the bracketed hardware code is missing.
bool ParseIdent(const char* text, ReaderIdentity& identity);

// Sends the query and waits for the answer, up to the link's attempt limit. The port must be
// set to 9600 baud with the carriage return as event character. False when no attempt gave a
// parsable answer; throws CMyError(3) when stopped, CMyError(7) when the query is not written
// in time; port exceptions pass through.
bool Identify(CRdExchange& link, ReaderIdentity& identity);
