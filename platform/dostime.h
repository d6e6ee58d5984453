// MS-DOS date/time: one 32-bit value, date in the high 16 bits, local time,
// two-second resolution. Bits 31-25 year-1980, 24-21 month, 20-16 day,
// 15-11 hour, 10-5 minute, 4-0 second/2.
#pragma once

#include <cstdint>

namespace platform {

struct DosDateTimeParts {
  int Year = 1980, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};

// Packs the parts (seconds rounded down to even). The caller gives valid parts.
int32_t PackDosDateTime(const DosDateTimeParts& P);
// Unpacks Value. Returns false when it is not a real calendar date and time
// (month 0, day 31 in April, hour 25, ...); P is then unspecified.
bool UnpackDosDateTime(int32_t Value, DosDateTimeParts& P);

}  // namespace platform
