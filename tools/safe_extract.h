// How velto-arc extracts: every file is written beside its target under a
// temporary name and renamed over it only when complete, nothing is written
// through a symbolic link in the destination, and a failed write keeps the
// system's reason for the message.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "tools/console.h"
#include "tools/file_writer_pool.h"

namespace arc {

// The console's file system as the archive component sees it during an
// extraction: the same, but each folder is made once, a new file of up to
// kHeldFileBytes is held in memory and made by the writer threads when it is
// closed, and the reason of a failed create or write is kept by file name.
class TWatchedFileSystem : public platform::IFileSystem {
 public:
  static constexpr size_t kHeldFileBytes = 1 << 20;
  static constexpr size_t kHeldBytesAtOnce = 64 << 20;

  // Writers: the number of writer threads.
  TWatchedFileSystem(platform::IFileSystem& Inner, IConsole& Console, int Writers)
      : FInner(Inner), FConsole(Console), FWriters(Inner, Console, Writers, kHeldBytesAtOnce) {}
  // The system's reason why Path could not be created or written on this
  // thread; "" if none (the writers keep their own).
  std::string FailureReason(const std::string& Path) const;
  // Records Reason for Path (the streams this file system opens use it).
  void NoteFailure(const std::string& Path, const std::string& Reason) { FReasons[Path] = Reason; }

  bool FileExists(const std::string& Path) override { return FInner.FileExists(Path); }
  bool DirectoryExists(const std::string& Path) override { return FInner.DirectoryExists(Path); }
  bool CreateDir(const std::string& Path) override { return FInner.CreateDir(Path); }
  bool ForceDirectories(const std::string& Path) override;
  bool EraseFile(const std::string& Path) override { return FInner.EraseFile(Path); }
  bool RemoveDir(const std::string& Path) override { return FInner.RemoveDir(Path); }
  int32_t FileAge(const std::string& Path) override { return FInner.FileAge(Path); }
  // A new file (fmCreate) is held, and made anew when written: whatever has
  // its name (even a link) is removed first. Any other open first waits for
  // the writers, so that a file held before is there to be opened.
  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override;
  // Opens Path at once, on this thread.
  std::unique_ptr<TFileStream> OpenDirect(const std::string& Path, uint16_t Mode);
  std::string GetCurrentDir() override { return FInner.GetCurrentDir(); }
  bool HasArchiveAttribute(const std::string& Path) override { return FInner.HasArchiveAttribute(Path); }
  bool ClearArchiveAttribute(const std::string& Path) override { return FInner.ClearArchiveAttribute(Path); }
  std::vector<DriveInfo> Drives() override { return FInner.Drives(); }
  std::vector<std::string> SubFolders(const std::string& Path) override { return FInner.SubFolders(Path); }

  IConsole& Console() { return FConsole; }
  TFileWriterPool& Writers() { return FWriters; }

 private:
  platform::IFileSystem& FInner;
  IConsole& FConsole;
  std::set<std::string> FMadeFolders;
  std::map<std::string, std::string> FReasons;
  TFileWriterPool FWriters;
};

// The destination side of one extraction run. Before the component writes
// an entry, Redirect turns its target into a temporary name beside it (or
// refuses the entry); the file is put in place by the writer threads, after
// it is written, when the next entry comes or by Finish.
class TSafeExtraction {
 public:
  // DestDir: the destination folder as a component path. Archives: the
  // files being read (never targets). Overwrite: a later entry may replace
  // a file an earlier one of the same run wrote.
  TSafeExtraction(TWatchedFileSystem& Files, std::string DestDir, std::vector<std::string> Archives, bool Overwrite);

  // For the component's OnRestoreFile: puts the previous entry's file in
  // place, then, when DoRestore, converts the name below DestDir to the
  // system's encoding and points Filename at a temporary file beside the
  // target. An entry that would pass through a symbolic link or land on a
  // file this run already wrote is refused (DoRestore false, a problem
  // noted). PreviousComplete: whether the previous entry was written whole.
  void Redirect(std::string& Filename, bool& DoRestore, bool PreviousComplete);
  // Ends the run: the last entry's file is put in place when Complete, its
  // temporary file removed otherwise; then waits for the writers.
  void Finish(bool Complete);
  // The target of a temporary name (or the name itself).
  std::string TargetOf(const std::string& Name) const;
  // The temporary file being written, "" when none.
  const std::string& Pending() const { return FPendingTemp; }
  // What went wrong apart from the component's own errors, as messages
  // naming the file (host paths), in order.
  const std::vector<std::string>& Problems() const { return FProblems; }

 private:
  void PutPendingInPlace(bool Complete);
  // The first folder from DestDir down to Target's folder that is a link; "".
  std::string LinkOnTheWay(const std::string& Target) const;
  bool IsArchive(const std::string& Target) const;

  TWatchedFileSystem& FFiles;
  IConsole& FConsole;
  std::string FDestDir;  // ends with a backslash
  std::vector<std::string> FArchives;
  bool FOverwrite;
  std::string FPendingTemp, FPendingTarget;
  std::map<std::string, std::string> FTargets;  // temporary name -> target
  std::set<std::string> FWritten;
  std::vector<std::string> FProblems;
};

}  // namespace arc
