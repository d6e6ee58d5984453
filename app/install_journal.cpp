#include "app/install_journal.h"

#include <algorithm>

#include "runtime/name_rule.h"
#include "runtime/windows_path.h"

namespace {

// Whether List holds Item's file: two names of one file (on Windows "A.txt"
// and "a.txt") are noted once.
bool Contains(const std::vector<std::string>& List, const std::string& Item) {
  const std::string key = FileNameKey(Item, HostNameSystem());
  return std::any_of(List.begin(), List.end(),
                     [&key](const std::string& Noted) { return FileNameKey(Noted, HostNameSystem()) == key; });
}

size_t SeparatorCount(std::string::const_iterator First, std::string::const_iterator Last) {
  return static_cast<size_t>(std::count_if(First, Last, IsPathSeparator));
}

// "c:", "c:\", "\\server\share" and shorter: nothing above them is made.
bool IsVolumeRoot(const std::string& Folder) {
  if (Folder.size() <= 3 && Folder.size() >= 2 && Folder[1] == ':') return true;
  if (Folder.size() >= 2 && IsPathSeparator(Folder[0]) && IsPathSeparator(Folder[1]))
    return SeparatorCount(Folder.begin() + 2, Folder.end()) <= 1;
  return Folder.empty() || (Folder.size() == 1 && IsPathSeparator(Folder[0]));
}

// The folder above Path; "" when nothing is above it ("velto", "ab:").
std::string ParentOf(const std::string& Path) {
  std::string parent = FolderPart(Path);
  return parent.size() < Path.size() ? parent : std::string();
}

}  // namespace

void TInstallJournal::Clear() {
  FFilesMade.clear();
  FFoldersMade.clear();
}

void TInstallJournal::NoteTarget(const std::string& Target) {
  NoteMissingFolders(ParentOf(Target));
  if (!FFiles.FileExists(Target) && !FFiles.DirectoryExists(Target) && !Contains(FFilesMade, Target))
    FFilesMade.push_back(Target);
}

void TInstallJournal::NoteMissingFolders(std::string Folder) {
  // "c:\x\\velto.exe" (a destination typed with a trailing backslash) has
  // the folder "c:\x\", which is c:\x.
  Folder = WithoutTrailingBackslash(Folder);
  std::vector<std::string> missing;  // deepest first
  for (; !IsVolumeRoot(Folder) && !FFiles.DirectoryExists(Folder); Folder = ParentOf(Folder)) {
    if (Contains(FFoldersMade, Folder)) break;
    missing.push_back(Folder);
  }
  FFoldersMade.insert(FFoldersMade.end(), missing.begin(), missing.end());
  // Deepest first, whatever order the targets came in.
  std::stable_sort(FFoldersMade.begin(), FFoldersMade.end(), [](const std::string& A, const std::string& B) {
    return SeparatorCount(A.begin(), A.end()) > SeparatorCount(B.begin(), B.end());
  });
}

bool TInstallJournal::Rollback() {
  bool clean = true;
  for (auto file = FFilesMade.rbegin(); file != FFilesMade.rend(); ++file) {
    if (FFiles.FileExists(*file)) FFiles.EraseFile(*file);
    if (FFiles.FileExists(*file)) clean = false;
  }
  for (const std::string& folder : FFoldersMade) {
    if (FFiles.DirectoryExists(folder)) FFiles.RemoveDir(folder);
    if (FFiles.DirectoryExists(folder)) clean = false;
  }
  Clear();
  return clean;
}
