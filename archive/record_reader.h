// The one reader of the archive's records, with one set of limits: the
// header, the entries, the continuation markers and the end marker, the data
// sections and their block records, and the lines of the file list. Every
// path that walks an archive (the restore, the payload check, the tool's
// list, test and extract) reads it through this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "archive/block_records.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace archive {

// The limits every reader applies before a length sizes anything.
inline constexpr int32_t kMaxTitleLength = 1 << 20;
inline constexpr int32_t kMaxNameLength = 1 << 16;
// The file list is kept in memory to be read or compared; a longer one is
// damage (a list of 16 MB names some 100,000 files).
inline constexpr size_t kMaxFileListSize = size_t(1) << 24;

struct TArchiveHeader {
  std::string Title;
  int32_t TotalSize = 0;
  int32_t FileCount = 0;
};

enum TRecordKind { rkEntry, rkContinuation, rkEnd };
struct TRecord {
  TRecordKind Kind = rkEnd;
  std::string Name;      // the entry's name, or the marker's text
  int32_t DateTime = 0;  // an entry's stored date/time
  int NextVolume = -1;   // a marker's volume; -1 for a marker that names no later one
};

class TRecordReader {
 public:
  // Reads from Source's position on; Source stays the caller's.
  explicit TRecordReader(TStream& Source);
  // Goes on reading from Source (the next volume, at its position).
  void SetSource(TStream& Source);
  TStream& Source() const { return *FSource; }

  // The header into Header, field by field: when it raises (EReadError when
  // the stream ends first; EArchiveFormat for a title length outside
  // 0..kMaxTitleLength), Header holds what was read before.
  void ReadHeader(TArchiveHeader& Header);
  TArchiveHeader ReadHeader() {
    TArchiveHeader header;
    ReadHeader(header);
    return header;
  }
  // The record after the header or after a data section: an entry (name and
  // date/time read; its data section follows), a continuation marker
  // (nothing of it follows), or the end marker. Negative name lengths are
  // passed over. Volume is the number of the volume being read, for the
  // marker's NextVolume. EReadError when cut; EArchiveFormat for a name
  // longer than kMaxNameLength.
  TRecord NextRecord(int Volume);

  // A data section: its signature (EArchiveFormat naming Entry when it is
  // not "EC2" and a zero byte), then the block records until a length of 0.
  void BeginSection(const std::string& Entry);
  BlockRecordReader& Blocks() { return *FBlocks; }
  // Passes the Size bytes of the block whose length was just read over by
  // seeking; EReadError when fewer are left.
  void SkipBlock(int32_t Size);

 private:
  int32_t ReadInt();
  TStream* FSource;
  std::unique_ptr<BlockRecordReader> FBlocks;
};

// One line of the file list: name, TAB, date/time, "=", size.
struct TFileListLine {
  std::string_view Name;
  int32_t DateTime = 0;
  int64_t Size = 0;
};
// Takes Line (without its CR LF) apart; false when it has not that form.
bool ParseFileListLine(std::string_view Line, TFileListLine& Out);
// The next line of Text from Offset on (CR LF, LF or CR ending it), moving
// Offset past it; false at the end of Text.
bool NextFileListLine(std::string_view Text, size_t& Offset, std::string_view& Line);

}  // namespace archive
