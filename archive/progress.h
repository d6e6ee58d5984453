// The share of a total that is done, as the progress events of reading and
// writing report it.
#pragma once

#include <cstdint>

namespace archive {

// Round(Done / Total * 100), halves to even, computed exactly and clamped to
// 0..100. A total of 0 or less is not known (a damaged header, or an archive
// of empty files): 0 until the end of the run reports 100 on its own.
inline uint8_t ProgressPercent(int64_t Done, int64_t Total) {
  if (Total <= 0 || Done <= 0) return 0;
  if (Done >= Total) return 100;
  int64_t scaled = Done * 100;
  int64_t q = scaled / Total;
  int64_t twiceRest = (scaled % Total) * 2;
  if (twiceRest > Total || (twiceRest == Total && (q & 1) != 0)) ++q;
  return static_cast<uint8_t>(q);
}

}  // namespace archive
