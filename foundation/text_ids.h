// The names of the catalogue's texts, made from the table itself so that a text's id is written
// once, in its row.
#pragma once

enum TextId : unsigned {
#define STRING(name, id, english, russian) name = id,
#include "foundation/string_table.inc"
#undef STRING
};

// Ranges of texts picked by a code: the reader's status byte and the cause of a file failure.
inline constexpr unsigned kTextStatusBase = 730;  // + status byte; only known statuses have a row
inline constexpr unsigned kTextFileCauseBase = kTextFileNoError;  // + FileErrorCause
// A custom button of the error box has the caption kTextButtonBase + its command id (IDOK...).
inline constexpr unsigned kTextButtonBase = 110;
