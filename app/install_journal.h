// TInstallJournal: what one install run created on disk, so that a run that
// fails can take it away again and leave the disk as it found it, except for
// files that existed before (they stay as the run left them).
#pragma once

#include <string>
#include <vector>

#include "platform/filesystem.h"

class TInstallJournal {
 public:
  // Files must outlive the journal.
  explicit TInstallJournal(platform::IFileSystem& Files) : FFiles(Files) {}

  // Forgets everything noted: a new run starts.
  void Clear();

  // Call before a file is written to Target (a full Windows path): notes
  // Target when no file is there yet, and every folder above it that does
  // not exist yet, up to the volume's root. Each path is noted once.
  void NoteTarget(const std::string& Target);

  // Erases the noted files that exist, then removes the noted folders,
  // deepest first (a folder that is not empty stays). Forgets everything
  // noted. Returns false when a noted file or folder is still there after.
  bool Rollback();

  const std::vector<std::string>& CreatedFiles() const { return FFilesMade; }
  // Deepest first.
  const std::vector<std::string>& CreatedFolders() const { return FFoldersMade; }

 private:
  void NoteMissingFolders(std::string Folder);

  platform::IFileSystem& FFiles;
  std::vector<std::string> FFilesMade;
  std::vector<std::string> FFoldersMade;
};
