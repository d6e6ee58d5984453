// The "test" command's reader: walks an archive (and its volumes) record by
// record, decompresses every block of every entry on its own and checks it.
// It trusts nothing it reads: lengths are checked before they size anything.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/streams.h"

namespace arc {

struct TCheckReport {
  std::string Title;
  int32_t TotalSize = 0, FileCount = 0;
  int Files = 0;    // file entries met (the file list not counted)
  int Volumes = 1;  // volume files read
  // One line per damaged entry: "<name>: <what>"; header or list mismatches
  // under the name "(header)".
  std::vector<std::string> Damaged;
  // Set when the archive's structure is broken (truncated, a bad signature
  // or length, a missing volume, a continuation marker that names no later
  // volume, a file list that goes on in the next volume); nothing after
  // that point was checked.
  std::string Broken;
  // Set with Broken when a following volume is not there: its file name.
  std::string MissingVolume;
  // The names of the damaged entries (no "(header)"), in archive order.
  std::vector<std::string> DamagedNames;
  // Data blocks read, and of them stored ones: copied as they are, with no
  // checksum that could show damage (archives written at level none).
  int Blocks = 0;
  int StoredBlocks = 0;
  bool Ok() const { return Damaged.empty() && Broken.empty(); }
};

// Opens volume Number (2, 3, ...) of the archive being checked, or returns
// null when it is not there (Name receives the file name looked for).
using TOpenVolume = std::function<std::unique_ptr<TStream>(int Number, std::string& Name)>;

// Checks the archive that starts at Source's position. Each compressed block
// must inflate as one complete zlib stream (Adler-32 included) to at most
// 16384 bytes with no bytes left over; the header's totals and the file
// list's sizes must match the entries.
TCheckReport CheckArchive(TStream& Source, const TOpenVolume& OpenVolume);

// Walks the archive as CheckArchive does but passes every block over by
// seeking, without inflating it: only Title, the totals, Files, Volumes,
// Blocks, StoredBlocks and Broken are filled.
TCheckReport ScanArchive(TStream& Source, const TOpenVolume& OpenVolume);

}  // namespace arc
