// The simulator's end of the serial line: the UPS's own line format, what the
// host set on the pseudo-terminal, and what a mismatch does to the bytes.
#pragma once

#include <termios.h>

#include <optional>
#include <string>

#include "ups/line_timing.h"

namespace upssim {

// "2400", "odd", "7", "1.5" and so on; nothing when the text is not valid.
std::optional<uint32_t> ParseBitRate(const std::string& text);
std::optional<voltaris::Parity> ParseParity(const std::string& text);
std::optional<uint32_t> ParseDataBits(const std::string& text);
std::optional<voltaris::StopBits> ParseStopBits(const std::string& text);

// The format the host put on the terminal. 1.5 and 2 stop bits look the
// same on a termios (CSTOPB), so they compare equal.
voltaris::LineFormat FormatFromTermios(const termios& t);
// Whether the host's settings would let the two ends understand each other.
// Only the bit rate and the stop bits take part: Linux's pseudo-terminal
// driver forces 8 data bits and no parity on every change, so what the host
// asked for there cannot be seen (a serial driver refuses 4 data bits before
// it reaches the terminal).
bool SameLine(const voltaris::LineFormat& ups, const voltaris::LineFormat& host);
void ApplyFormat(const voltaris::LineFormat& format, termios& t);

std::string Describe(const voltaris::LineFormat& format);

// What a receiver sampling at the wrong settings makes of a byte: never the
// byte itself and never a CR, so no command or reply survives intact.
unsigned char Garble(unsigned char byte);

}  // namespace upssim
