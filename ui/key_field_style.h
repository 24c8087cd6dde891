// The key field's window styles, shared by the page's dialog template and the tests that build
// the field on an edit control of their own. Plain macro: windres reads this too.
// ES_AUTOHSCROLL matters: without it the control takes only as much typed or pasted text as fits
// its width, which depends on the font, so a pasted key could lose characters.
#pragma once

#define KEY_FIELD_STYLE WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL
