// The journal of a running test: its record as lines appended to a file while it runs (the
// setup at the start, every log event and card with its time, the figures now and then, and the
// end), so that a test the program never saw end can still become a report. Plain logic: the
// entries' text and reading a journal back; the file is the caller's.
//
// Format: one entry per line ending in '\n', ASCII only, fields separated by one space; numbers
// in decimal, texts last and escaped (%XX for every byte outside '!'..'~' and for '%').
//   QCJ1 startUtcMs block keyB readerKeys planKind cycles minutes errors port
//   R atMs model serial firmware buildTime       the reader the link reports
//   C atMs atStart type size level subtype uid   a card (uid in hexadecimal, first byte first)
//   L atMs kind command status repeats message   a log event
//   F atMs verified mismatches noCard auth longest current errors firstMs lastMs unverified
//     timeouts resent reconnects dropped firstKind firstCommand firstStatus status:count...
//   E atMs outcome                               the test ended (outcome: 0 none, 1 passed, 2 failed)
// A journal is read by what it holds: the last figures entry stands for the counts, lines and
// cards are taken as they come, an entry that cannot be read is counted and left out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reader/link_trouble.h"
#include "reader/test_record.h"

std::string JournalStartEntry(const CTestRecord& record);  // with the reader and the cards at the start
std::string JournalReaderEntry(uint64_t atMs, const ReaderIdentity& reader);
std::string JournalCardEntry(const SeenCard& card);
std::string JournalLineEntry(const StampedEvent& line);
std::string JournalFiguresEntry(const CTestRecord& record, const LinkTroubleCounts& trouble);
std::string JournalEndEntry(const CTestRecord& record);

struct RecoveredTest {
    CTestRecord record;  // not running; its lines bounded as any record's
    LinkTroubleCounts trouble;
    bool started = false;       // the start entry was read: there is a test to report
    bool ended = false;         // its end was written: the test was not cut off
    uint64_t lastEntryMs = 0;   // since the start: when the journal's last readable entry was made
    uint64_t unreadableLines = 0;  // cut off, not the journal's, or garbled: left out
    uint64_t unreadBytes = 0;      // not read at all (the middle of a very large journal)
};

// Reads a journal's text. unreadBytes: how much of the file the caller left out between the
// text's parts (they are joined by a line break).
RecoveredTest ReadTestJournal(std::string_view text, uint64_t unreadBytes = 0);
