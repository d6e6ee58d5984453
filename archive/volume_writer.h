// Writes an archive's records into one file or, with a size limit, into a
// set of volume files (setup.arc, setup.002, setup.003, ...), keeping the
// layout rules of archive/format.h: a volume that is not the last ends with
// a block terminator and a continuation marker; the next volume starts with
// a data section that continues the interrupted entry (an empty one when the
// volume ended between entries). Blocks and entry heads are never split.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/volumes.h"
#include "platform/filesystem.h"
#include "runtime/exceptions.h"

namespace archive {

// Thrown by TVolumeWriter: Code is the component's error code
// (beOverwriteFailed or beCannotWriteArchive).
class EArchiveWrite : public Exception {
 public:
  EArchiveWrite(int32_t ACode, const std::string& Message) : Exception(Message), Code(ACode) {}
  int32_t Code;
};
// Thrown when the volume handler answered Cancel.
class EVolumeCancelled : public Exception {
 public:
  EVolumeCancelled() : Exception("Cancelled") {}
};

// Bytes a volume must be allowed to hold so that any archive with this title
// and names of at most MaxNameLength bytes can be written: the header with
// the file-list entry's head, the largest data block, and the longest entry
// head, each with the data signature, terminator and continuation marker
// around it.
int64_t MinVolumeSize(size_t TitleLength, size_t MaxNameLength);

class TVolumeWriter {
 public:
  // Asked before volume Number (2, 3, ...) is created; false cancels.
  using TNeedVolume = std::function<bool(int Number)>;

  // MaxSize: the largest size of one volume file in bytes; 0 or less: one
  // file, no limit. NeedVolume may be empty.
  TVolumeWriter(platform::IFileSystem& Files, std::string ArchiveName, int64_t MaxSize, TNeedVolume NeedVolume);
  // Closes an open volume (without finishing the archive).
  ~TVolumeWriter();

  // Creates the first volume and writes the header. Throws EArchiveWrite: 2
  // when ArchiveName existed and could not be overwritten, 4 when it could
  // not be created or written, or when MaxSize is too small for the header.
  void Start(const std::vector<uint8_t>& Header);
  // Starts an entry: Head is name length, name, date/time; the data
  // signature follows it.
  void BeginEntry(const std::vector<uint8_t>& Head);
  // One data block (its length field and bytes) of the current entry.
  void WriteBlock(const uint8_t* Block, size_t Size);
  // Ends the current entry's data section with the block terminator.
  void EndEntry();
  // Writes the end marker and closes the last volume.
  void Finish();
  // While Keep is true, records that do not fit into the current volume are
  // error 4 instead of starting the next volume.
  void KeepInVolume(bool Keep) { FKeepInVolume = Keep; }

  // Every file created so far, first volume first (for clean-up).
  const std::vector<std::string>& Created() const { return FCreated; }

 private:
  void OpenVolume(int Number);
  void CloseVolume();
  // Ends the volume at the current state and opens the next one.
  void NextVolume();
  void Put(const void* Bytes, size_t Size);
  void PutInt32(int32_t Value);
  void Flush();
  bool Fits(size_t Size) const;

  platform::IFileSystem& FFiles;
  std::string FArchiveName;
  int64_t FMaxSize;
  TNeedVolume FNeedVolume;
  std::unique_ptr<TStream> FStream;
  std::vector<uint8_t> FBuffer;
  std::vector<std::string> FCreated;
  int FVolume = 0;
  int64_t FVolumeSize = 0;  // bytes of the current volume, buffered ones included
  bool FInData = false;     // inside a data section (else between entries)
  bool FKeepInVolume = false;
};

}  // namespace archive
