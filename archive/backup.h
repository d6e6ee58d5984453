// TBackupFile: the archive component. It reads an archive's title and file
// list, restores its entries into a folder (from a file, a set of volume
// files or a caller's stream), and writes archives of the same format.
// Every operation returns only when done, and every event is raised on the
// caller's thread; long files are decompressed on worker threads meanwhile
// (DecompressionThreads), and writing compresses on several
// (CompressionThreads). Between data blocks the GUI gets to process its
// pending messages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/block_pipeline.h"
#include "platform/dialogs.h"
#include "platform/filesystem.h"
#include "platform/ui.h"
#include "runtime/component.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

namespace archive {
class BlockRecordReader;
class TRecordReader;
struct TRecord;
}  // namespace archive

enum TBackupMode : uint8_t { bmAll = 0, bmIncremental = 1 };
enum TRestoreMode : uint8_t { rmAll = 0, rmNoOverwrite = 1, rmNewer = 2, rmExisting = 3, rmExistingNewer = 4 };
enum TCompressionLevel : uint8_t { clFastest = 0, clcNone = 1, clcDefault = 2, clMax = 3 };
using TPercentage = uint8_t;  // 0..100

// Error codes of a run, with stable values (messages in BackupErrorMessage).
enum TBackupError : int32_t {
  beNone = 0,
  beCannotReadFile = 1,      // "Cannot read file"
  beOverwriteFailed = 2,     // "Overwriting file failed"
  beCannotReadArchive = 3,   // "Cannot read archive"
  beCannotWriteArchive = 4,  // "Cannot write to archive"
  beInvalidArchive = 5,      // "Invalid archive type"
  beCompressionError = 6,    // "Compression error"
  beFileIDTempFile = 7,      // "Cannot create temporary file to save the file IDs"
};
// The English message of Code; "" for a code outside 1..7.
std::string BackupErrorMessage(int32_t Code);
// "Please insert disk %s and click OK to continue." with %s replaced by DiskText.
std::string DiskPromptMessage(const std::string& DiskText);

// Events. Sender is always the component; by-reference parameters may be
// changed by the handler and the component uses the changed value.
using TProgressEvent =
    std::function<void(TObject* Sender, const std::string& Filename, TPercentage Percent, bool& Continue)>;
using TNeedDiskEvent = std::function<void(TObject* Sender, uint16_t DiskID, bool& Continue)>;
using TRestoreFileEvent = std::function<void(TObject* Sender, std::string& Filename, int32_t FA, bool& DoRestore)>;
// Stream is the open destination file; a handler that replaces it hands the
// new stream's ownership to the component (which closes it) and keeps the old.
using TFileRestoredEvent = std::function<void(TObject* Sender, std::string& Filename, TFileStream*& Stream)>;
using TBackupErrorEvent = std::function<void(TObject* Sender, const int32_t Error, const std::string& ErrString)>;

class TBackupFile : public TComponent {
 public:
  // Files, Dialogs and Pump must outlive the component. Pump, when given,
  // handles the GUI's pending messages after every data block restored.
  TBackupFile(TComponent* AOwner, platform::IFileSystem& Files, platform::IDialogs& Dialogs,
              platform::IMessagePump* Pump = nullptr);

  // ---- Published properties, in their stored order ----
  std::string Version() const { return "5.10"; }
  void SetVersion(const std::string&) {}  // ignored: the version is fixed
  std::string BackupTitle;
  TBackupMode BackupMode() const { return FBackupMode; }
  // Does nothing when unchanged; bmIncremental also turns SetArchiveFlag on.
  void SetBackupMode(TBackupMode Value);
  TCompressionLevel CompressionLevel = clFastest;
  TRestoreMode RestoreMode = rmAll;
  int32_t MaxSize = 0;
  bool SetArchiveFlag = false;
  TProgressEvent OnProgress;
  TNeedDiskEvent OnNeedDisk;
  TRestoreFileEvent OnRestoreFile;
  TFileRestoredEvent OnFileRestored;
  TBackupErrorEvent OnError;
  bool RestoreFullPath = false;
  bool SaveFileID = false;

  // ---- Reading ----
  // Restores the archive file ArchiveName (":STREAM": SourceStream) into
  // DestDir ("" = each entry's stored name). True when the run ended without
  // error and was not cancelled. A missing archive file gives False with no
  // event. Raises Exception("Cannot read archive") when the archive cannot be
  // opened or its header read, Exception("Invalid archive type") for a bad
  // data section in an entry being passed over, Exception("Unable to create
  // directory") for a destination without a folder; a read failure while an
  // entry is passed over also leaves as an exception (Busy is cleared and an
  // archive file opened here is closed either way). Errors while a file is
  // restored are reported once at the end through ReportError, after the
  // final OnProgress with 100 and an empty name. Besides the codes of the table:
  //  - a stored name that would leave DestDir ("..") is not written, its data
  //    is passed over, and the run goes on and ends with error 1;
  //  - a compressed block whose zlib stream does not end inside the block
  //    is error 6;
  //  - a continuation marker in SourceStream ends the run with error 5
  //    ("Invalid archive type"); the stream is never closed;
  //  - a continuation marker that is not "NEXT:DISK" and three digits, or
  //    that names the current or an earlier volume, raises "Invalid archive
  //    type";
  //  - an entry whose destination is the archive or a volume being read
  //    (or the file of SourceStream) is not written: its data is passed
  //    over and the run goes on and ends with error 1;
  //  - an existing file whose date has no MS-DOS form (before 1980, after
  //    2107) exists for the restore modes and is older than every entry;
  //  - a write failure while a continuation volume is appended is error 1
  //    as in the first volume.
  // At a continuation marker in a file, OnNeedDisk (or the disk prompt, an
  // OK/Cancel information box) is asked at least once per volume; Cancel
  // ends the run with False and no message.
  bool Restore(const std::string& ArchiveName, const std::string& DestDir);
  // Restore from Stream's position (the caller keeps Stream). False at once
  // for a null Stream; every exception of Restore becomes False.
  bool RestoreFromStream(TStream* Stream, const std::string& DestDir);
  // Reads the title into Title and, when List is not null, the file list into
  // List (replacing its items). Errors are reported through ReportError; an
  // archive that cannot be opened then ends with EAbort. An unreadable header
  // or list (damaged, cut short, a zlib error in the list, or a list that
  // goes on in the next volume) is error 5;
  // List is then unchanged and Title holds what was read of it.
  void ReadArchiveInfo(const std::string& ArchiveName, TStringList* List, std::string& Title);
  // ReadArchiveInfo from Stream's position; nothing for a null Stream. Never
  // raises: Title is emptied when an exception occurs.
  void ReadArchiveInfoFromStream(TStream* Stream, TStringList* List, std::string& Title);

  // ---- Writing ----
  // The properties as Backup uses them:
  //   BackupTitle       the archive's title.
  //   CompressionLevel  zlib level 1 (clFastest), 6 (clcDefault), 9 (clMax);
  //                     every block is then a zlib stream with its Adler-32
  //                     (a piece that does not shrink: deflate's stored
  //                     blocks, one or two streams). clcNone writes every
  //                     piece as a stored block, which carries no checksum.
  //   MaxSize           0: one archive file. Otherwise the largest size in
  //                     bytes of one volume file: ArchiveName, then
  //                     ArchiveName with its extension replaced by .002, .003,
  //                     ... (at most 999 volumes). It must be at least
  //                     archive::MinVolumeSize (archive/volume_writer.h; about
  //                     16.4 KB, so that the largest block fits), else error 4.
  //   OnNeedDisk        when assigned, called with the number of each new
  //                     volume (2, 3, ...) before it is created; Continue =
  //                     False cancels. Without it volumes follow each other
  //                     without asking.
  //   BackupMode        bmAll stores every file given; bmIncremental only
  //                     those whose archive attribute is set (the system sets
  //                     it when a file is written; see IFileSystem).
  //   SetArchiveFlag    after a complete archive, clears the archive
  //                     attribute of every file it stored, so that the next
  //                     incremental backup takes only files changed since.
  //   SaveFileID        also writes ArchiveName + ".ids", one line per stored
  //                     file: its number in the archive (1, 2, ...), TAB, the
  //                     stored name, TAB, the source path, CR LF. It is
  //                     created before the archive; when that fails: error 7.
  //   OnProgress        after every data block of a file with the source
  //                     path and the share of TotalSize read so far, and once
  //                     more at the end with "" and 100; Continue = False
  //                     cancels.
  // One file to store: read from SourcePath, stored under StoredName (an
  // absolute Windows path such as c:\release\velto.exe).
  struct TSourceFile {
    std::string SourcePath;
    std::string StoredName;
  };
  // Writes the archive ArchiveName (and, with MaxSize > 0, its further
  // volumes) from Files in order: header, file list, one entry per file, end
  // marker. The file list's date/time is now, or SOURCE_DATE_EPOCH (seconds
  // since 1970, as local time) when that is set, so the same inputs give the
  // same bytes. A file's date/time is its last-write time; one that MS-DOS
  // date/times cannot hold (before 1980) is stored as 1980-01-01 00:00:00.
  // Sets TotalSize, FileCount, BytesDone and, while a file is
  // read, CurrentFileName (kept after a failure: the file concerned).
  // Returns true when the whole archive was written. Otherwise every file
  // this run created (volumes and the ".ids" file) is removed again, and
  // a failure is reported once through ReportError, after the last
  // OnProgress call:
  //   1 a source file cannot be opened or read, is no regular file (a pipe),
  //     or became shorter;
  //   2 ArchiveName or a volume file exists and cannot be overwritten;
  //   4 the archive or a volume cannot be created or written, MaxSize is too
  //     small (also for the whole file list, which stays in the first
  //     volume), a volume would have the archive's name (x.002), more than
  //     999 volumes, a thread fails (memory), totals beyond 32 bits, or a stored
  //     name the format cannot carry (empty, starting with NEXT:DISK, equal
  //     to FILE:LIST, or holding TAB, CR or LF);
  //   6 zlib failed;
  //   7 the ".ids" file cannot be created or written.
  // A cancel (OnProgress or OnNeedDisk) returns false with no message.
  bool Backup(const std::string& ArchiveName, const std::vector<TSourceFile>& Files);
  // Threads used to compress (0 = one per processor). The bytes written do
  // not depend on it; at most eight pieces per thread are held at a time.
  int CompressionThreads = 0;
  // Threads that decompress the blocks of a restored file after its first
  // four (0 = one per processor; 1 = all on the caller's thread). Events are
  // raised on the caller's thread and in the same order whatever the number;
  // at most eight blocks per thread are held at a time.
  int DecompressionThreads = 0;
  // Starts the compression and decompression threads (empty:
  // platform::StartThread). A thread that cannot be started leaves fewer,
  // down to the caller's thread alone, with the same bytes and events.
  archive::TThreadStarter ThreadStarter;

  // ---- Run state (read-only to the owner) ----
  int32_t FileCount() const { return FFileCount; }
  int32_t RestoredCount() const { return FRestoredCount; }
  int32_t TotalSize() const { return FTotalSize; }
  int32_t BytesDone() const { return FBytesDone; }
  const std::string& CurrentFileName() const { return FCurrentFileName; }
  bool Busy() const { return FBusy; }
  bool ContinueFlag() const { return FContinueFlag; }
  int32_t ErrorCode() const { return FErrorCode; }
  // The file that ErrorCode concerns: the destination of the entry that
  // failed or was refused, or "" when it concerns the archive itself.
  const std::string& ErrorFileName() const { return FErrorFileName; }
  TStream* SourceStream() const { return FSourceStream; }

 private:
  // Restore and ReadArchiveInfo from the caller's Stream (FromStream: no
  // volumes can follow) or from the archive file ArchiveName, which is
  // opened and closed here.
  bool RestoreFrom(bool FromStream, TStream* Stream, const std::string& ArchiveName, const std::string& DestDir);
  void ReadInfoFrom(bool FromStream, TStream* Stream, const std::string& ArchiveName, TStringList* List,
                    std::string& Title);
  // Reports Code once: to OnError when assigned, else in an error box.
  void ReportError(int32_t Code);
  // Reads one data section from Source; with Write, its bytes go to
  // Destination, else the blocks are passed over by seeking.
  void CopyEntryData(archive::TRecordReader& Reader, TStream* Destination, bool Write);

  platform::IFileSystem& FFiles;
  platform::IDialogs& FDialogs;
  platform::IMessagePump* FPump;
  TBackupMode FBackupMode = bmAll;
  int32_t FFileCount = 0;
  int32_t FRestoredCount = 0;
  int32_t FTotalSize = 0;
  int32_t FBytesDone = 0;
  std::string FCurrentFileName;
  bool FBusy = false;
  bool FContinueFlag = false;
  int32_t FErrorCode = 0;
  std::string FErrorFileName;
  TStream* FSourceStream = nullptr;

  // Sets ErrorCode and the file it concerns.
  void SetError(int32_t Code, const std::string& FileName);

  // Writing (backup_write.cpp): one Backup run, cut into its steps.
  class TBackupRun;

  // Reading helpers (backup_restore.cpp, backup_restore_parallel.cpp).
  // After one block record of a data section: lets the application process
  // its messages and, with CountProgress, adds Produced bytes to the
  // progress and raises OnProgress.
  void AfterBlockRecord(bool CountProgress, uint32_t Produced);
  // The rest of a data section, from the next block length on, decompressed
  // on Threads threads and written to Destination in order, with the same
  // events, errors and stops as one block at a time.
  void CopyBlocksInParallel(archive::BlockRecordReader& Records, TStream& Destination, int Threads);
  // The decompression workers of the current restore run, started for its
  // first long file and kept for the others until the run ends; and the
  // number of threads the run uses (the processor count is read once).
  std::unique_ptr<archive::TBlockPipeline> FRestorePipeline;
  int FRestoreThreads = 1;
  // Calls OnFileRestored for the open File (the handler may swap it), sets
  // its last-write time to StoredDateTime and closes it.
  void FinishRestoredFile(std::unique_ptr<TFileStream>& File, int32_t StoredDateTime);
  // A continuation marker: closes the current volume, asks for the next one
  // (OnNeedDisk or the disk prompt) until it exists or the user cancels,
  // opens it as Source and appends its leading data section to the current
  // file (Decision true) or passes it over.
  // Volume is the number of the volume being read, moved on to the next.
  void ContinueFromNextVolume(const archive::TRecord& Marker, const std::string& ArchiveName,
                              std::unique_ptr<TFileStream>& OwnSource, archive::TRecordReader& Reader, int& Volume,
                              bool Decision, int32_t StoredDateTime);
};
