#include "app/install_journal.h"

#include <algorithm>

namespace {

bool Contains(const std::vector<std::string>& List, const std::string& Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

// "c:", "c:\", "\\server\share" and shorter: nothing above them is made.
bool IsVolumeRoot(const std::string& Folder) {
  if (Folder.size() <= 3 && Folder.size() >= 2 && Folder[1] == ':') return true;
  if (Folder.compare(0, 2, "\\\\") == 0) return std::count(Folder.begin() + 2, Folder.end(), '\\') <= 1;
  return Folder.empty() || Folder == "\\";
}

std::string ParentOf(const std::string& Path) {
  size_t slash = Path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : Path.substr(0, slash);
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
  while (Folder.size() > 1 && Folder.back() == '\\' && !IsVolumeRoot(Folder)) Folder.pop_back();
  std::vector<std::string> missing;  // deepest first
  for (; !IsVolumeRoot(Folder) && !FFiles.DirectoryExists(Folder); Folder = ParentOf(Folder)) {
    if (Contains(FFoldersMade, Folder)) break;
    missing.push_back(Folder);
  }
  FFoldersMade.insert(FFoldersMade.end(), missing.begin(), missing.end());
  // Deepest first, whatever order the targets came in.
  std::stable_sort(FFoldersMade.begin(), FFoldersMade.end(), [](const std::string& A, const std::string& B) {
    return std::count(A.begin(), A.end(), '\\') > std::count(B.begin(), B.end(), '\\');
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
