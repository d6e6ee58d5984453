// Verification of a single-volume archive before anything is restored from
// it: every data block is read and every compressed block inflated and
// checked (a complete zlib stream with its Adler-32, no bytes after it, at
// most 16384 bytes out), on one set of worker threads. The installer runs it
// on its payload before the first file is written.
#pragma once

#include <cstdint>
#include <string>

#include "archive/block_pipeline.h"
#include "runtime/streams.h"

namespace archive {

struct TArchiveCheck {
  // True when the structure could be followed to the end marker, every
  // compressed block is sound, the header's total size is the sum of the
  // entries' sizes and the file list names every entry with its size.
  bool Sound = false;
  int32_t Blocks = 0;        // data block records read
  int32_t StoredBlocks = 0;  // of them stored: copied as they are, unchecked
  // The first damaged entry ("" when the damage is in the header or the
  // structure), and what is wrong, in English, for tools and logs.
  std::string DamagedEntry;
  std::string Why;
};

// Reads the archive that starts at Source's position up to its end marker
// (Source is left after it, or where the damage stopped the reading) and
// checks it as above, with Threads inflating threads (0: one per processor,
// 1: the caller's thread alone; StartThread as for TBlockPipeline). A
// continuation marker makes the result unsound: a payload has one volume.
// Never raises for what it reads (a read failure or a cut archive gives
// Sound = false); std::bad_alloc may pass.
TArchiveCheck VerifyArchive(TStream& Source, int Threads, const TThreadStarter& StartThread = {});

}  // namespace archive
