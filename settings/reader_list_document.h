// A reader's members in the settings file and the list of further readers ("readers" in "main",
// an array of objects with the first reader's members). Portable.
#pragma once

#include "settings/app_settings.h"
#include "settings/json_value.h"

// Reads port, block, authKey, useReaderKeys and keyB from object; a member missing, of another
// kind or out of range leaves its field alone.
void ReadReaderFields(const JsonValue& object, ReaderSettings& reader);
// Writes those members in that order, keeping the object's other members.
void WriteReaderFields(JsonValue& object, const ReaderSettings& reader);

// Fills moreReaders from main's list: at most kMaxReaders - 1 objects, each on a port no reader
// before it (the first one included) uses; everything else is counted in readersLeftOut.
void ReadReaderList(const JsonValue& main, CAppSettings& settings);
// Writes moreReaders as main's list. An entry of the old list on the same port lends its object,
// so members a later version added to it stay. A file that never had the list and has no further
// readers gets none.
void WriteReaderList(JsonValue& main, const CAppSettings& settings);
// True when main's list holds something ReadReaderList leaves out, which a save would drop.
bool ReaderListDropsEntries(const JsonValue& main);
