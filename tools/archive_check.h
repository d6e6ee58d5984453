// The tool's walk over an archive (and its volumes): every record read by the
// one record reader, every block inflated on a set of worker threads and
// checked on its own, the header's totals and the file list compared with
// the entries, and each entry's bytes handed, in order, to a sink (the
// extraction) as they are proven. It trusts nothing it reads.
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
  // under the name "(header)" or "(file list)".
  std::vector<std::string> Damaged;
  // Set when the archive's structure is broken (truncated, a bad signature
  // or length, a missing volume, a continuation marker that names no later
  // volume, a file list that goes on in the next volume); nothing after
  // that point was checked.
  std::string Broken;
  // Set with Broken when a following volume is not there: its file name.
  std::string MissingVolume;
  // The archive positions (0 for the first entry, the file list when there
  // is one) of the damaged entries, in order.
  std::vector<int> DamagedEntries;
  std::vector<std::string> DamagedNames;  // their names
  // Data blocks read, and of them stored ones: copied as they are, with no
  // checksum that could show damage (archives written at level none).
  int Blocks = 0;
  int StoredBlocks = 0;
  bool Ok() const { return Damaged.empty() && Broken.empty(); }
};

// Opens volume Number (2, 3, ...) of the archive being walked, or returns
// null when it is not there (Name receives the file name looked for). The
// stream stays the opener's: it is kept open for the whole run.
using TOpenVolume = std::function<TStream*(int Number, std::string& Name)>;

// Receives the entries of a walk, in archive order, from the caller's thread.
class IEntrySink {
 public:
  virtual ~IEntrySink() = default;
  // Entry Index (0 for the first) named Name begins; true when its bytes
  // are wanted. An exception raised here ends the walk and passes on.
  virtual bool BeginEntry(int Index, const std::string& Name, int32_t DateTime) = 0;
  // The next bytes of the current entry, when it was wanted.
  virtual void EntryBytes(const uint8_t* Data, size_t Size) = 0;
  // The current entry ended; Damage is "" or what is wrong with its blocks.
  virtual void EndEntry(const std::string& Damage) = 0;
  // The header was read: the archive's total size.
  virtual void Started(int32_t /*TotalSize*/) {}
  // After each block record: the uncompressed bytes of all entries so far.
  virtual void Progress(int64_t /*BytesDone*/) {}
};

// Walks the archive that starts at Source's position. Each compressed block
// must inflate as one complete zlib stream (Adler-32 included) to at most
// 16384 bytes with no bytes left over; the header's totals and the file
// list's names and sizes must match the entries. Threads: inflating threads
// (1: the caller's alone). Sink, when given, gets every entry.
TCheckReport WalkArchive(TStream& Source, const TOpenVolume& OpenVolume, int Threads, IEntrySink* Sink);

// WalkArchive on Threads threads without a sink.
TCheckReport CheckArchive(TStream& Source, const TOpenVolume& OpenVolume, int Threads = 1);

// Walks the archive's records as CheckArchive does but passes every block
// over by seeking, without inflating it: only Title, the totals, Files,
// Volumes, Blocks, StoredBlocks and Broken are filled.
TCheckReport ScanArchive(TStream& Source, const TOpenVolume& OpenVolume);

}  // namespace arc
