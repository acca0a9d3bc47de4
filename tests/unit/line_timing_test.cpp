#include "ups/line_timing.h"

#include <gtest/gtest.h>

using voltaris::LineFormat;
using voltaris::LineTimeMicros;
using voltaris::Parity;
using voltaris::StopBits;

TEST(LineTiming, StatusReplyAt2400Takes196Ms) {
  // 47 characters of 10 bits each at 2400 bit/s.
  EXPECT_EQ(LineTimeMicros(LineFormat{}, 47), 195833u);
}

TEST(LineTiming, ParityAndStopBitsLengthenACharacter) {
  LineFormat f;
  f.parity = Parity::Even;
  f.stopBits = StopBits::Two;
  EXPECT_EQ(voltaris::HalfBitsPerCharacter(f), 24u);  // 1 + 8 + 1 + 2 bits
  f.stopBits = StopBits::OneAndHalf;
  f.dataBits = 5;
  EXPECT_EQ(voltaris::HalfBitsPerCharacter(f), 17u);  // 1 + 5 + 1 + 1.5 bits
}

TEST(LineTiming, NoRateMeansNoLineTime) {
  LineFormat f;
  f.bitRate = 0;
  EXPECT_EQ(LineTimeMicros(f, 47), 0u);
}
