// The words for what a reader reports: its log events and its status bytes, in the user's
// language. One formatter for the page's log and the saved report. Plain logic.
#pragma once

#include <string>

#include "reader/reader_event.h"

// The log line of an event: "Write error 0x09: The card refused the command"; a folded event
// begins "Repeated 4 more times: ".
std::wstring ReaderEventText(const ReaderEvent& event);

// The reader's text for a status byte (catalogue id kTextStatusBase + status); empty for codes
// it has none for.
std::wstring StatusText(int status);
