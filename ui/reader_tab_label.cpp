#include "ui/reader_tab_label.h"

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"

std::wstring ReaderTabLabel(std::wstring_view port, size_t pageNumber, ReaderTabState state, bool troubleUnseen) {
    // ○ not connected, ● connected, ► testing: shapes every Windows font has.
    std::wstring label;
    switch (state) {
        case ReaderTabState::NotConnected: label = L"\u25CB "; break;
        case ReaderTabState::Connected: label = L"\u25CF "; break;
        case ReaderTabState::Testing: label = L"\u25BA "; break;
    }
    if (port.empty())
        AppendFormatResource(label, kTextReaderNumber, static_cast<unsigned>(pageNumber));
    else
        label += port;
    if (troubleUnseen)
        label += L" !";
    return label;
}
