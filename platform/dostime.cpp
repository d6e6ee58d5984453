#include "platform/dostime.h"

namespace platform {

int32_t PackDosDateTime(const DosDateTimeParts& P) {
  uint32_t date = uint32_t(P.Year - 1980) << 9 | uint32_t(P.Month) << 5 | uint32_t(P.Day);
  uint32_t time = uint32_t(P.Hour) << 11 | uint32_t(P.Minute) << 5 | uint32_t(P.Second / 2);
  return static_cast<int32_t>(date << 16 | time);
}

static bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool UnpackDosDateTime(int32_t Value, DosDateTimeParts& P) {
  uint32_t v = static_cast<uint32_t>(Value);
  P.Year = int(v >> 25) + 1980;
  P.Month = int(v >> 21 & 0x0F);
  P.Day = int(v >> 16 & 0x1F);
  P.Hour = int(v >> 11 & 0x1F);
  P.Minute = int(v >> 5 & 0x3F);
  P.Second = int(v & 0x1F) * 2;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (P.Month < 1 || P.Month > 12 || P.Day < 1) return false;
  int maxDay = days[P.Month - 1] + (P.Month == 2 && IsLeap(P.Year) ? 1 : 0);
  return P.Day <= maxDay && P.Hour <= 23 && P.Minute <= 59 && P.Second <= 58;
}

}  // namespace platform
