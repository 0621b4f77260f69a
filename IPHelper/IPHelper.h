// The PC's own IPv4 addresses as text lines.
#pragma once

#include <cstdint>
#include <string>

#include "vcl.h"

// Dotted text of an address stored in network byte order.
std::string IpAddrToText(std::uint32_t address);

// One line per local address, "index|address|mask|broadcast|reassembly"
// ("%8.8X|%s|%s|%s|%8.8d"), in address order; or the one line "no entries.";
// or the system's text for a failing table query. Replaces the list's lines.
void ListIpAddrTable(TStringList* list);

// The system's message for a code, without trailing blanks, control
// characters and full stops; empty when the system has none.
std::string SystemErrorText(std::uint32_t code);
