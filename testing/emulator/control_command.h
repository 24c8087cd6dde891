// Text commands that change the emulated reader while it runs: the pty server reads them from
// its control FIFO or standard input, one per line. See README.md for the list.
#pragma once

#include <string>

#include "testing/emulator/reader_emulator.h"

enum class ControlAction { Applied, Unplug, Replug, Quit, Invalid };

// Applies one command line to the reader. Unplug, replug and quit are the front end's to carry
// out. message receives a short confirmation or what was wrong.
ControlAction ApplyControlCommand(CReaderEmulator& reader, const std::string& line, std::string& message);

// "04A1B2C3" → bytes; false for odd lengths or non-hex digits.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);
