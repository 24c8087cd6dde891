#include "ui/reader_panel.h"

#include <iterator>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "ui/reader_event_text.h"

namespace {

constexpr unsigned kStateTexts[] = {kTextDisconnected, kTextConnected, kTextConnecting};  // by LinkState

}  // namespace

CReaderPanel::View CReaderPanel::Refresh() {
    ReaderSnapshot snapshot = worker_.ReadStatus();  // the lock is released on return
    View view;
    if (snapshot.state >= 0 && snapshot.state < static_cast<int32_t>(std::size(kStateTexts)))
        LoadResourceString(kStateTexts[snapshot.state], view.state);
    view.written = snapshot.written;
    view.errors = snapshot.errors;
    view.figures = snapshot.figures;
    view.lines.reserve(snapshot.events.size());
    for (const ReaderEvent& event : snapshot.events) view.lines.push_back(ReaderEventText(event));
    // A new test counts from zero again: only a rise is news.
    if (snapshot.errors > lastErrors_ || snapshot.trouble.reconnects > lastTrouble.reconnects ||
        snapshot.trouble.timeouts > lastTrouble.timeouts)
        troubleUnseen = true;
    lastErrors_ = snapshot.errors;
    lastTrouble = snapshot.trouble;
    lastView = {view.state, view.written, view.errors, view.figures, {}};
    return view;
}

CReaderPanel* PanelOfWorker(std::span<CReaderPanel* const> panels, uintptr_t workerId) {
    for (CReaderPanel* panel : panels)
        if (panel != nullptr && workerId != 0 && panel->WorkerId() == workerId)
            return panel;
    return nullptr;
}
