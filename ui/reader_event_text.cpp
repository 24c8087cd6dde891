#include "ui/reader_event_text.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "foundation/catalogue.h"
#include "foundation/text_convert.h"
#include "foundation/text_ids.h"

namespace {

std::wstring Text(unsigned id) {
    std::wstring text;
    LoadResourceString(id, text);
    return text;
}

std::wstring StatusLine(unsigned id, int status) {
    std::wstring line;
    FormatResourceString(line, id, status);
    return line + L": " + StatusText(status);
}

std::wstring CommandLine(unsigned id, uint8_t command) {
    std::wstring line;
    FormatResourceString(line, id, static_cast<unsigned>(command));
    return line;
}

std::wstring EventWords(const ReaderEvent& event) {
    switch (event.kind) {
        case ReaderEventKind::kNoCard: return Text(kTextNoCard);
        case ReaderEventKind::kTrailerRefused: return Text(kTextTrailerRefused);
        case ReaderEventKind::kAuthError: return Text(kTextAuthError);
        case ReaderEventKind::kWriteError: return StatusLine(kTextWriteError, event.status);
        case ReaderEventKind::kReadError: return StatusLine(kTextReadError, event.status);
        case ReaderEventKind::kMismatch: return Text(kTextMismatch);
        case ReaderEventKind::kCommandFailed: {
            std::wstring line;
            FormatResourceString(line, kTextCommandStatus, static_cast<unsigned>(event.command),
                                 static_cast<unsigned>(event.status & 0xFF));
            return line + StatusText(event.status);
        }
        case ReaderEventKind::kNoReply: return CommandLine(kTextNoReply, event.command);
        case ReaderEventKind::kBadReply: return CommandLine(kTextBadReply, event.command);
        case ReaderEventKind::kFailure: break;
    }
    // Port failures name the port in the same words in every language.
    std::wstring line;
    ToWide(event.message.c_str(), -1, line, kCodePageAnsi);
    return line;
}

}  // namespace

std::wstring ReaderEventText(const ReaderEvent& event) {
    if (event.repeats == 0)
        return EventWords(event);
    std::wstring line;
    const uint64_t shown = std::min<uint64_t>(event.repeats, std::numeric_limits<unsigned>::max());
    FormatResourceString(line, kTextRepeated, static_cast<unsigned>(shown));
    return line + EventWords(event);
}

std::wstring StatusText(int status) {
    // Only the reader's documented codes have a text; the catalogue's neighbouring ids are not theirs.
    constexpr int kCodesWithText[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 16};
    std::wstring text;
    if (std::find(std::begin(kCodesWithText), std::end(kCodesWithText), status) != std::end(kCodesWithText))
        LoadResourceString(kTextStatusBase + static_cast<unsigned>(status), text);
    return text;
}
