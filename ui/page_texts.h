// The texts the main page builds from the workers' data: a port list item and the card line.
// Plain logic, so both builds can test them.
#pragma once

#include <cstdint>
#include <string>

#include "reader/card_info.h"
#include "search/port_entry.h"

// "COM3   Tern USB CL s/n: 12345 fw: 1.2": name, three spaces, then what the probe learned.
std::wstring PortItemText(const PortEntry& port);

// "Tern USB CL s/n: 12345 fw: 1.2": what is known of a reader (the port item's part after the name).
std::wstring ReaderIdentityText(int32_t model, int32_t serial, uint32_t firmware);

// "Mifare Plus 4K 04A1B2C3 X SL3"; empty when no card lies on the reader.
std::wstring CardLineText(const CardInfo& card);
