// TBackupFile: the archive component. It reads an archive's title and file
// list, restores its entries into a folder (from a file, a set of volume
// files or a caller's stream), and writes archives of the same format.
// Everything runs on the caller's thread; between data blocks the GUI gets to
// process its pending messages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/filesystem.h"
#include "runtime/component.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"

enum TBackupMode : uint8_t { bmAll = 0, bmIncremental = 1 };
enum TRestoreMode : uint8_t { rmAll = 0, rmNoOverwrite = 1, rmNewer = 2, rmExisting = 3, rmExistingNewer = 4 };
enum TCompressionLevel : uint8_t { clFastest = 0, clcNone = 1, clcDefault = 2, clMax = 3 };
using TPercentage = uint8_t;  // 0..100

// Error codes of a run, with stable values (messages in BackupErrorMessage).
enum TBackupError : int32_t {
  beNone = 0,
  beCannotReadFile = 1,       // "Cannot read file"
  beOverwriteFailed = 2,      // "Overwriting file failed"
  beCannotReadArchive = 3,    // "Cannot read archive"
  beCannotWriteArchive = 4,   // "Cannot write to archive"
  beInvalidArchive = 5,       // "Invalid archive type"
  beCompressionError = 6,     // "Compression error"
  beFileIDTempFile = 7,       // "Cannot create temporary file to save the file IDs"
};
// The English message of Code; "" for a code outside 1..7.
std::string BackupErrorMessage(int32_t Code);
// "Please insert disk %s and click OK to continue." with %s replaced by DiskText.
std::string DiskPromptMessage(const std::string& DiskText);

// Events. Sender is always the component; by-reference parameters may be
// changed by the handler and the component uses the changed value.
using TProgressEvent = std::function<void(TObject* Sender, const std::string& Filename, TPercentage Percent, bool& Continue)>;
using TNeedDiskEvent = std::function<void(TObject* Sender, uint16_t DiskID, bool& Continue)>;
using TRestoreFileEvent = std::function<void(TObject* Sender, std::string& Filename, int32_t FA, bool& DoRestore)>;
// Stream is the open destination file; a handler that replaces it hands the
// new stream's ownership to the component (which closes it) and keeps the old.
using TFileRestoredEvent = std::function<void(TObject* Sender, std::string& Filename, TFileStream*& Stream)>;
using TBackupErrorEvent = std::function<void(TObject* Sender, const int32_t Error, const std::string& ErrString)>;

class TBackupFile : public TComponent {
public:
  // Files and Dialogs must outlive the component.
  TBackupFile(TComponent* AOwner, platform::IFileSystem& Files, platform::IDialogs& Dialogs);

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
  // directory") for a destination without a folder. Errors while a file is
  // restored are reported once at the end through ReportError.
  bool Restore(const std::string& ArchiveName, const std::string& DestDir);
  // Restore from Stream's position (the caller keeps Stream). False at once
  // for a null Stream; every exception of Restore becomes False.
  bool RestoreFromStream(TStream* Stream, const std::string& DestDir);
  // Reads the title into Title and, when List is not null, the file list into
  // List (replacing its items). Errors are reported through ReportError; an
  // archive that cannot be opened then ends with EAbort.
  void ReadArchiveInfo(const std::string& ArchiveName, TStringList* List, std::string& Title);
  // ReadArchiveInfo from Stream's position; nothing for a null Stream. Never
  // raises: Title is emptied when an exception occurs.
  void ReadArchiveInfoFromStream(TStream* Stream, TStringList* List, std::string& Title);

  // ---- Writing ----
  // One file to store: read from SourcePath, stored under StoredName.
  struct TSourceFile {
    std::string SourcePath;
    std::string StoredName;
  };
  // Writes the archive ArchiveName (and, with MaxSize > 0, its further
  // volumes) from Files in order. True on success; errors through ReportError.
  bool Backup(const std::string& ArchiveName, const std::vector<TSourceFile>& Files);
  // Threads used to compress (0 = one per processor). The bytes written do
  // not depend on it.
  int CompressionThreads = 0;

  // ---- Run state (read-only to the owner) ----
  int32_t FileCount() const { return FFileCount; }
  int32_t RestoredCount() const { return FRestoredCount; }
  int32_t TotalSize() const { return FTotalSize; }
  int32_t BytesDone() const { return FBytesDone; }
  const std::string& CurrentFileName() const { return FCurrentFileName; }
  bool Busy() const { return FBusy; }
  bool ContinueFlag() const { return FContinueFlag; }
  int32_t ErrorCode() const { return FErrorCode; }
  TStream* SourceStream() const { return FSourceStream; }

  // ---- Internal steps, public for the tool and the tests ----
  // Reports Code once: to OnError when assigned, else in an error box.
  void ReportError(int32_t Code);
  // Reads one data section from Source; with Write, its bytes go to
  // Destination, else the blocks are passed over by seeking.
  void CopyEntryData(TStream& Source, TStream* Destination, bool Write);

private:
  platform::IFileSystem& FFiles;
  platform::IDialogs& FDialogs;
  TBackupMode FBackupMode = bmAll;
  int32_t FFileCount = 0;
  int32_t FRestoredCount = 0;
  int32_t FTotalSize = 0;
  int32_t FBytesDone = 0;
  std::string FCurrentFileName;
  bool FBusy = false;
  bool FContinueFlag = false;
  int32_t FErrorCode = 0;
  TStream* FSourceStream = nullptr;

  // Reading helpers (backup_restore.cpp).
  // Calls OnFileRestored for the open File (the handler may swap it), sets
  // its last-write time to StoredDateTime and closes it.
  void FinishRestoredFile(std::unique_ptr<TFileStream>& File, int32_t StoredDateTime);
  // A continuation marker: closes the current volume, asks for the next one
  // (OnNeedDisk or the disk prompt) until it exists or the user cancels,
  // opens it as Source and appends its leading data section to the current
  // file (Decision true) or passes it over.
  void ContinueFromNextVolume(const std::string& Marker, const std::string& ArchiveName,
                              std::unique_ptr<TFileStream>& OwnSource, TStream*& Source, bool Decision,
                              int32_t StoredDateTime);
};
