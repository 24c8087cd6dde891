// The label of a reader's tab: a mark for its state, then its port (or its number while it has
// none), and "!" while trouble came in that the user has not seen. The marks are shapes, not
// colours, so the state reads in any colour scheme. Plain logic.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class ReaderTabState { NotConnected, Connected, Testing };

// pageNumber counts from 1, as the user sees the tabs.
std::wstring ReaderTabLabel(std::wstring_view port, size_t pageNumber, ReaderTabState state, bool troubleUnseen);
