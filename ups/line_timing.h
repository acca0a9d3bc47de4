// Time that characters take on an asynchronous serial line.
//
// Shared by the serial port's read bound and the UPS simulator's pacing, so
// both agree on what "a reply at 2400 bit/s" costs.
#pragma once

#include <cstdint>

namespace voltaris {

enum class Parity { None = 0, Odd = 1, Even = 2 };
enum class StopBits { One = 0, OneAndHalf = 1, Two = 2 };

struct LineFormat {
  uint32_t bitRate = 2400;
  uint32_t dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
};

// Bits one character occupies on the wire: start bit, data, parity, stop.
// Counted in half bits so that 1.5 stop bits stays exact.
uint32_t HalfBitsPerCharacter(const LineFormat& format);

// Microseconds that `characters` take at the format's bit rate; 0 when the
// rate is 0 (no line).
uint64_t LineTimeMicros(const LineFormat& format, uint32_t characters);

}  // namespace voltaris
