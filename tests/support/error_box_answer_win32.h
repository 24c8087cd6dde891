// Answers the program's error box from inside a test: the box runs a modal loop of its own, so a
// timer of the test's thread finds it, notes what it shows and presses its button.
#pragma once

#include <windows.h>

#include <string>

struct ErrorBoxSeen {
    bool shown = false;
    std::wstring texts;       // every child's text, each followed by '|'
    std::wstring buttonText;  // the button that was pressed
};

// Arms the timer for the next error box; `seen` must outlive the box, or the disarming.
void AnswerNextErrorBox(ErrorBoxSeen& seen);
// Stops waiting for a box that did not come (a test that checks that none is shown).
void DisarmErrorBoxAnswer();
