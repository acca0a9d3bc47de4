// Numbers read from texts the way the settings file and the UPS replies need:
// the leading number, whatever follows, independent of the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

// Optional leading blanks, optional sign, digits; stops at anything else.
// No digits gives 0; values beyond 32 bits are held at the limit.
int LeadingInteger(std::string_view text);

// The plain decimal prefix ("13.5V" gives 13.5, "abc" gives 0), always
// with "." as the decimal point. No exponent, infinity or NaN: "1e308" gives
// 1, "inf" and a number too long for a double give 0.
double LeadingDouble(std::string_view text);

}  // namespace voltaris
