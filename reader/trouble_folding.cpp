#include "reader/trouble_folding.h"

namespace {

// A failure without words is never taken for a repeat: nothing tells two of them apart.
bool Foldable(const ReaderEvent& event) {
    return event.kind != ReaderEventKind::kFailure || !event.message.empty();
}

}  // namespace

void CTroubleFolding::Add(const ReaderEvent& event, std::vector<ReaderEvent>& log) {
    if (haveLast_ && event == last_) {
        ++repeats_;
        return;
    }
    Settle(log);
    haveLast_ = Foldable(event);
    last_ = event;
    log.push_back(event);
}

void CTroubleFolding::Settle(std::vector<ReaderEvent>& log) {
    if (repeats_ != 0) {
        ReaderEvent folded = last_;
        folded.repeats = repeats_;
        log.push_back(std::move(folded));
    }
    haveLast_ = false;
    repeats_ = 0;
}
