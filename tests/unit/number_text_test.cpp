#include <gtest/gtest.h>

#include <string>

#include "base/number_text.h"

TEST(NumberText, LeadingIntegerAndDoubleIgnoreWhatFollows) {
  EXPECT_EQ(voltaris::LeadingInteger("220.0"), 220);
  EXPECT_EQ(voltaris::LeadingInteger("012 5"), 12);
  EXPECT_EQ(voltaris::LeadingInteger(""), 0);
  EXPECT_EQ(voltaris::LeadingInteger("-7x"), -7);
  EXPECT_EQ(voltaris::LeadingInteger("abc"), 0);
  EXPECT_EQ(voltaris::LeadingInteger("99999999999"), 2147483647);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("13.5"), 13.5);  // whatever the locale
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("24.00 "), 24.0);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("-1.5V"), -1.5);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble(" x"), 0.0);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble(".5"), 0.5);
  // A garbled reply field is never an infinite or undefined reading.
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("1e308"), 1.0);
  const std::string tooLong(400, '9');
  for (const char* garbled : {"inf", "-INF", "nan", "NaN(1)", "infinity", ".", tooLong.c_str()}) {
    EXPECT_DOUBLE_EQ(voltaris::LeadingDouble(garbled), 0.0) << garbled;
  }
}
