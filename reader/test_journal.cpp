#include "reader/test_journal.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "foundation/text_convert.h"

namespace {

constexpr std::string_view kStartMark = "QCJ1";
constexpr char kHex[] = "0123456789ABCDEF";

void Number(std::string& entry, uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
    entry += ' ';
    entry.append(digits, end);
}

void Signed(std::string& entry, int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
    entry += ' ';
    entry.append(digits, end);
}

void Escaped(std::string& entry, std::string_view bytes) {
    entry += ' ';
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > ' ' && byte < 0x7F && byte != '%') {
            entry += c;
        } else {
            entry += '%';
            entry += kHex[byte >> 4];
            entry += kHex[byte & 15];
        }
    }
}

std::string Utf8(const std::wstring& text) {
    std::string bytes;
    ToNarrow(bytes, text.c_str(), static_cast<int>(text.size()), kCodePageUtf8);
    return bytes;
}

std::string CardFields(const SeenCard& seen) {
    std::string entry = "C";
    Number(entry, seen.atMs);
    Number(entry, seen.atStart ? 1 : 0);
    Signed(entry, seen.card.type);
    Signed(entry, seen.card.size);
    Number(entry, seen.card.securityLevel);
    Number(entry, seen.card.subtype);
    entry += ' ';
    for (size_t i = 0; i < seen.card.uidLength && i < kMaxUidLength; ++i) {
        entry += kHex[seen.card.uid[i] >> 4];
        entry += kHex[seen.card.uid[i] & 15];
    }
    entry += '\n';
    return entry;
}

// One entry's fields, read in order; any failure marks the whole entry unreadable.
class CFields {
public:
    explicit CFields(std::string_view line) : rest_(line) {}

    std::string_view Word() {
        const size_t space = rest_.find(' ');
        const std::string_view word = rest_.substr(0, space);
        rest_ = space == std::string_view::npos ? std::string_view() : rest_.substr(space + 1);
        if (word.empty())
            ok_ = false;
        return word;
    }
    uint64_t Unsigned() { return Number<uint64_t>(); }
    int64_t Signed() { return Number<int64_t>(); }
    int32_t Int32() {
        const int64_t value = Signed();
        if (value < INT32_MIN || value > INT32_MAX)
            ok_ = false;
        return static_cast<int32_t>(value);
    }
    // The escaped text to the end of the entry (it may be empty).
    std::string Text() {
        const std::string_view word = rest_;
        rest_ = {};
        std::string bytes;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%') {
                bytes += word[i];
                continue;
            }
            const int high = i + 2 < word.size() ? HexValue(word[i + 1]) : -1;
            const int low = i + 2 < word.size() ? HexValue(word[i + 2]) : -1;
            if (high < 0 || low < 0) {
                ok_ = false;
                return bytes;
            }
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        }
        return bytes;
    }
    bool Ok() const { return ok_; }
    bool AtEnd() const { return rest_.empty(); }

    static int HexValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

private:
    // The next word as a whole decimal number of the type.
    template <typename T>
    T Number() {
        const std::string_view word = Word();
        T value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size())
            ok_ = false;
        return value;
    }

    std::string_view rest_;
    bool ok_ = true;
};

class CJournalReader {
public:
    explicit CJournalReader(RecoveredTest& test) : test_(test) {}

    void Entry(std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            return;
        CFields fields(line);
        const std::string_view kind = fields.Word();
        bool read = false;
        if (kind == kStartMark)
            read = Start(fields);
        else if (test_.started && kind.size() == 1)
            read = Body(kind[0], fields);
        if (!read)
            ++test_.unreadableLines;
    }

private:
    bool Start(CFields& fields) {
        if (test_.started)
            return false;  // a second start: not this test's
        CTestRecord& record = test_.record;
        record.started = true;
        record.startUtcMs = fields.Signed();
        record.setup.block = fields.Int32();
        record.setup.useKeyB = fields.Unsigned() != 0;
        record.setup.useReaderKeys = fields.Unsigned() != 0;
        const int64_t plan = fields.Signed();
        record.plan.kind = plan >= 0 && plan < kPlanKindCount ? static_cast<PlanKind>(plan) : PlanKind::kUntilStopped;
        record.plan.cycles = fields.Unsigned();
        record.plan.minutes = static_cast<uint32_t>(fields.Unsigned());
        record.plan.errors = fields.Unsigned();
        const std::string port = fields.Text();
        ToWide(port.c_str(), static_cast<int>(port.size()), record.setup.port, kCodePageUtf8);
        test_.started = fields.Ok();
        return test_.started;
    }

    bool Body(char kind, CFields& fields) {
        const uint64_t atMs = fields.Unsigned();
        if (!fields.Ok())
            return false;
        CTestRecord& record = test_.record;
        switch (kind) {
            case 'R': {
                ReaderIdentity reader;
                reader.model = fields.Int32();
                reader.serial = fields.Int32();
                reader.firmware = static_cast<uint32_t>(fields.Unsigned());
                reader.buildTime = fields.Signed();
                if (!fields.Ok())
                    return false;
                record.setup.reader = reader;
                break;
            }
            case 'C': {
                SeenCard seen;
                seen.atMs = atMs;
                seen.atStart = fields.Unsigned() != 0;
                seen.card.type = fields.Int32();
                seen.card.size = fields.Int32();
                seen.card.securityLevel = static_cast<uint8_t>(fields.Unsigned());
                seen.card.subtype = static_cast<uint8_t>(fields.Unsigned());
                const std::string_view uid = fields.Word();
                if (!fields.Ok() || uid.size() % 2 != 0 || uid.size() > 2 * kMaxUidLength)
                    return false;
                for (size_t i = 0; i < uid.size(); i += 2) {
                    const int high = CFields::HexValue(uid[i]), low = CFields::HexValue(uid[i + 1]);
                    if (high < 0 || low < 0)
                        return false;
                    seen.card.uid[i / 2] = static_cast<uint8_t>(high * 16 + low);
                }
                seen.card.uidLength = static_cast<uint8_t>(uid.size() / 2);
                if (seen.atStart)
                    record.setup.card = seen.card;
                record.cards.push_back(seen);
                break;
            }
            case 'L': {
                StampedEvent line;
                line.atMs = atMs;
                const uint64_t eventKind = fields.Unsigned();
                line.event.command = static_cast<uint8_t>(fields.Unsigned());
                line.event.status = fields.Int32();
                line.event.repeats = fields.Unsigned();
                line.event.message = fields.Text();
                if (!fields.Ok() || eventKind > static_cast<uint64_t>(ReaderEventKind::kFailure))
                    return false;
                line.event.kind = static_cast<ReaderEventKind>(eventKind);
                if (record.lines.size() >= CTestRecord::kKeptLines) {
                    record.lines.pop_front();
                    ++record.droppedLines;
                }
                record.lines.push_back(std::move(line));
                break;
            }
            case 'F':
                if (!Figures(atMs, fields))
                    return false;
                break;
            case 'E': {
                const uint64_t outcome = fields.Unsigned();
                if (!fields.Ok() || outcome > 2)
                    return false;
                record.outcome = static_cast<PlanOutcome>(outcome);
                record.elapsedMs = atMs;
                test_.ended = true;
                break;
            }
            default: return false;
        }
        if (atMs > test_.lastEntryMs)
            test_.lastEntryMs = atMs;
        return true;
    }

    bool Figures(uint64_t atMs, CFields& fields) {
        CTestRecord figures;
        LinkTroubleCounts trouble;
        figures.elapsedMs = atMs;
        figures.verified = fields.Unsigned();
        figures.mismatches = fields.Unsigned();
        figures.noCardEvents = fields.Unsigned();
        figures.authRefusals = fields.Unsigned();
        figures.longestCleanRun = fields.Unsigned();
        figures.currentCleanRun = fields.Unsigned();
        figures.errorEvents = fields.Unsigned();
        figures.firstErrorMs = fields.Unsigned();
        figures.lastErrorMs = fields.Unsigned();
        trouble.unverifiedCycles = fields.Unsigned();
        trouble.timeouts = fields.Unsigned();
        trouble.resentFrames = fields.Unsigned();
        trouble.reconnects = fields.Unsigned();
        figures.droppedLines = fields.Unsigned();
        const uint64_t firstKind = fields.Unsigned();
        figures.firstError.command = static_cast<uint8_t>(fields.Unsigned());
        figures.firstError.status = fields.Int32();
        while (fields.Ok() && !fields.AtEnd()) {
            const std::string_view pair = fields.Word();
            const size_t colon = pair.find(':');
            CFields parts(colon == std::string_view::npos ? std::string_view() : pair.substr(0, colon));
            const int32_t status = parts.Int32();
            CFields count(colon == std::string_view::npos ? std::string_view() : pair.substr(colon + 1));
            const uint64_t times = count.Unsigned();
            if (!parts.Ok() || !count.Ok())
                return false;
            figures.cardErrors[status] = times;
        }
        if (!fields.Ok() || firstKind > static_cast<uint64_t>(ReaderEventKind::kFailure))
            return false;
        figures.firstError.kind = static_cast<ReaderEventKind>(firstKind);
        CTestRecord& record = test_.record;
        record.elapsedMs = figures.elapsedMs;
        record.verified = figures.verified;
        record.mismatches = figures.mismatches;
        record.noCardEvents = figures.noCardEvents;
        record.authRefusals = figures.authRefusals;
        record.longestCleanRun = figures.longestCleanRun;
        record.currentCleanRun = figures.currentCleanRun;
        record.errorEvents = figures.errorEvents;
        record.firstErrorMs = figures.firstErrorMs;
        record.lastErrorMs = figures.lastErrorMs;
        record.firstError = figures.firstError;
        record.cardErrors = std::move(figures.cardErrors);
        test_.trouble = trouble;
        return true;
    }

    RecoveredTest& test_;
};

}  // namespace

std::string JournalStartEntry(const CTestRecord& record) {
    std::string entry(kStartMark);
    Signed(entry, record.startUtcMs);
    Signed(entry, record.setup.block);
    Number(entry, record.setup.useKeyB ? 1 : 0);
    Number(entry, record.setup.useReaderKeys ? 1 : 0);
    Signed(entry, static_cast<int32_t>(record.plan.kind));
    Number(entry, record.plan.cycles);
    Number(entry, record.plan.minutes);
    Number(entry, record.plan.errors);
    Escaped(entry, Utf8(record.setup.port));
    entry += '\n';
    entry += JournalReaderEntry(0, record.setup.reader);
    for (const SeenCard& card : record.cards) entry += JournalCardEntry(card);
    return entry;
}

std::string JournalReaderEntry(uint64_t atMs, const ReaderIdentity& reader) {
    std::string entry = "R";
    Number(entry, atMs);
    Signed(entry, reader.model);
    Signed(entry, reader.serial);
    Number(entry, reader.firmware);
    Signed(entry, reader.buildTime);
    entry += '\n';
    return entry;
}

std::string JournalCardEntry(const SeenCard& card) {
    return CardFields(card);
}

std::string JournalLineEntry(const StampedEvent& line) {
    std::string entry = "L";
    Number(entry, line.atMs);
    Number(entry, static_cast<uint64_t>(line.event.kind));
    Number(entry, line.event.command);
    Signed(entry, line.event.status);
    Number(entry, line.event.repeats);
    Escaped(entry, line.event.message);
    entry += '\n';
    return entry;
}

std::string JournalFiguresEntry(const CTestRecord& record, const LinkTroubleCounts& trouble) {
    std::string entry = "F";
    for (uint64_t value :
         {record.elapsedMs, record.verified, record.mismatches, record.noCardEvents, record.authRefusals,
          record.longestCleanRun, record.currentCleanRun, record.errorEvents, record.firstErrorMs, record.lastErrorMs,
          trouble.unverifiedCycles, trouble.timeouts, trouble.resentFrames, trouble.reconnects, record.droppedLines,
          static_cast<uint64_t>(record.firstError.kind), uint64_t{record.firstError.command}})
        Number(entry, value);
    Signed(entry, record.firstError.status);
    for (const auto& [status, count] : record.cardErrors) {
        Signed(entry, status);
        entry += ':';
        char digits[24];
        entry.append(digits, std::to_chars(digits, digits + sizeof(digits), count).ptr);
    }
    entry += '\n';
    return entry;
}

std::string JournalEndEntry(const CTestRecord& record) {
    std::string entry = "E";
    Number(entry, record.elapsedMs);
    Number(entry, static_cast<uint64_t>(record.outcome));
    entry += '\n';
    return entry;
}

RecoveredTest ReadTestJournal(std::string_view text, uint64_t unreadBytes) {
    RecoveredTest test;
    test.unreadBytes = unreadBytes;
    CJournalReader reader(test);
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            // Cut off in the middle of its last entry: what is there may be read wrong.
            ++test.unreadableLines;
            break;
        }
        reader.Entry(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    CTestRecord& record = test.record;
    if (!test.ended)
        record.elapsedMs = std::max(record.elapsedMs, test.lastEntryMs);
    record.running = false;
    return test;
}
