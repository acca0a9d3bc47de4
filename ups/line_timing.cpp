#include "ups/line_timing.h"

namespace voltaris {

uint32_t HalfBitsPerCharacter(const LineFormat& format) {
  uint32_t half = 2 * (1 + format.dataBits);  // start bit + data bits
  if (format.parity != Parity::None) half += 2;
  switch (format.stopBits) {
    case StopBits::One: half += 2; break;
    case StopBits::OneAndHalf: half += 3; break;
    case StopBits::Two: half += 4; break;
  }
  return half;
}

uint64_t LineTimeMicros(const LineFormat& format, uint32_t characters) {
  if (format.bitRate == 0) return 0;
  const uint64_t halfBits = uint64_t{HalfBitsPerCharacter(format)} * characters;
  return halfBits * 1000000u / (2u * format.bitRate);
}

}  // namespace voltaris
