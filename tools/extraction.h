// What velto-arc extract does with the entries a walk proves: every decision
// (the restore mode, two entries for one file, an entry that would land on a
// volume of the archive) is taken on the final name in the system's
// encoding, by the one name rule; every file is written under a temporary
// name in the safe destination by writer threads while the archive is read
// on, and all are put in place only when the whole archive proved sound.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "archive/backup.h"
#include "platform/destination.h"
#include "tools/archive_check.h"
#include "tools/console.h"

namespace arc {

struct TExtractSettings {
  TRestoreMode Mode = rmAll;
  bool FullPath = false;   // keep the stored folders (the drive part dropped)
  bool Overwrite = false;  // a later entry for one file replaces an earlier
  int Writers = 2;         // writer threads
  std::set<int> LeaveOut;  // archive positions of entries not to write
};

// Ends a walk before anything is put in place: two entries would be written
// to one file (without Overwrite), or a file could not be written. Not an
// Exception, so that the walk passes it on.
struct EExtractStop {
  std::string Message;
};

class TExtraction : public IEntrySink {
 public:
  // Dest: where files go (kept by the caller). Protected: the ids of the
  // archive's own files (its volumes), which no entry may replace.
  TExtraction(platform::IDestination& Dest, IConsole& Console, TExtractSettings Settings,
              std::vector<platform::TFileId> Protected);
  // Removes every temporary file not put in place.
  ~TExtraction() override;
  TExtraction(const TExtraction&) = delete;
  TExtraction& operator=(const TExtraction&) = delete;

  // A volume opened during the walk: protected too.
  void Protect(const platform::TFileId& Id) { FProtected.push_back(Id); }

  bool BeginEntry(int Index, const std::string& Name, int32_t DateTime) override;
  void EntryBytes(const uint8_t* Data, size_t Size) override;
  void EndEntry(const std::string& Damage) override;
  void Started(int32_t TotalSize) override { FTotalSize = TotalSize; }
  void Progress(int64_t BytesDone) override {
    if (OnProgress) OnProgress(FShown, BytesDone, FTotalSize);
  }

  // Waits for the writers. With PutInPlace, and when every file was written
  // whole, puts every file in place (a volume of the archive found at a
  // target is refused then too); otherwise removes them all. Returns the
  // number of files put in place.
  int Finish(bool PutInPlace);
  // The first file that could not be written, as "cannot write <file>:
  // <reason>"; "" when none. When set, Finish puts nothing in place.
  std::string WriteFailure() const;
  // Entries refused or not put in place, as messages naming the file.
  const std::vector<std::string>& Problems() const { return FProblems; }
  // Bytes written to disk so far, and the name being written.
  std::function<void(const std::string& Shown, int64_t BytesDone, int32_t TotalSize)> OnProgress;
  // The folders below the root that the run found missing (and so made),
  // in the order met: a run that puts nothing in place removes them again.
  const std::vector<platform::TNameParts>& MissingFolders() const { return FMissingFolders; }

 private:
  struct TFile {
    platform::TNameParts Parts;  // folders, then the name
    std::string Shown;           // as the user reads it
    int32_t DateTime = 0;
    bool Replace = true;
    bool Superseded = false;    // a later entry of the run took its name
    size_t ProtectedKnown = 0;  // volumes protected when the entry came
    std::unique_ptr<platform::ITempFile> Temp;
    std::string Failure;  // the write's reason, when it failed
  };
  struct TJob {
    TFile* File = nullptr;
    std::vector<uint8_t> Data;
    bool Commit = false;
  };

  // The target of stored Name below the destination, or a reason it has none.
  bool TargetOf(const std::string& Name, platform::TNameParts& Parts, std::string& Stored, std::string& Why);
  bool Decide(const platform::TEntryInfo& Existing, int32_t DateTime) const;
  // Whether a folder on the way to Parts is a link or no folder (Link: the
  // first); New: one of them is missing, so that this run makes it.
  bool FolderOnTheWayIsLink(const platform::TNameParts& Parts, std::string& Link, bool& New);
  // Whether Info is one of the archive's own files.
  bool IsProtected(const platform::TEntryInfo& Info) const;
  // Records that File could not be written (the first such is the run's).
  void NoteWriteFailure(TFile& File, const std::string& Reason);
  void Refuse(const std::string& Shown, const std::string& Why);
  // Writer threads.
  void Give(TJob Job);
  void Work(size_t Writer);
  void WriteWhole(TFile& File, const std::vector<uint8_t>& Data);
  void CommitOne(TFile& File);
  void WaitForWriters();

  platform::IDestination& FDest;
  IConsole& FConsole;
  TExtractSettings FSettings;
  std::vector<platform::TFileId> FProtected;
  std::string FRootShown;
  char FSeparator;
  // The entry being read.
  TFile* FCurrent = nullptr;
  bool FDirect = false;  // written at once (too long to hold)
  std::vector<uint8_t> FHeld;
  std::string FShown;
  // Every file of the run, in archive order, and who has each name.
  std::deque<TFile> FFiles;
  std::map<std::string, std::pair<std::string, TFile*>> FByKey;  // key -> stored name, file
  std::set<std::string> FSoundFolders, FNewFolders;
  std::vector<platform::TNameParts> FMissingFolders;
  std::vector<std::string> FProblems;
  // Writers.
  mutable std::mutex FLock;
  std::vector<std::condition_variable> FWorkReady;  // one per writer
  std::vector<std::vector<uint8_t>> FSpare;         // held-file buffers to use again
  std::condition_variable FDone;                    // a job ended (for Give and WaitForWriters)
  int FWaiting = 0;                                 // threads waiting on FDone
  std::vector<std::deque<TJob>> FJobs;              // one queue per writer
  size_t FQueuedJobs = 0;
  size_t FQueuedBytes = 0, FBusy = 0;
  bool FStop = false;
  std::vector<std::thread> FThreads;
  std::string FWriteFailure;
  int32_t FTotalSize = 0;
  int FPlaced = 0;
};

}  // namespace arc
