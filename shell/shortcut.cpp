#include "shell/shortcut.h"

#include "runtime/exceptions.h"
#include "runtime/name_rule.h"
#include "runtime/windows_path.h"

namespace {

constexpr int kShowCommand = 5;  // the desktop link opens its program shown

}  // namespace

TMyShortCut::TMyShortCut(TComponent* AOwner, platform::IShell& Shell, platform::IRegistry& Registry,
                         platform::IFileSystem& Files)
    : TComponent(AOwner), FShell(Shell), FRegistry(Registry), FFiles(Files) {}

// ---- Links ------------------------------------------------------------------------

void TMyShortCut::CreateLink() {
  if (CreateToAvvio) CreateUserStartMenuShortcut(FilePathName, ExeName, GruppoProgrammiName, platform::sfStartMenu);
  if (CreateDeskTopLink) CreateShortCutDesktop(FilePathName);
  if (CreateFolder) CreateUserStartMenuShortcut(FilePathName, ExeName, GruppoProgrammiName, platform::sfPrograms);
  if (CreateToTrova) CreateTrovaLink();
  if (CreateToExplorer) RegisterExplorer();
}

void TMyShortCut::RemoveLink() {
  if (CreateToAvvio) DeleteUserStartMenuShortcut(FilePathName, ExeName, GruppoProgrammiName, platform::sfStartMenu);
  if (CreateDeskTopLink) DeleteShortCutDesktop(FilePathName);
  if (CreateFolder) DeleteUserStartMenuShortcut(FilePathName, ExeName, GruppoProgrammiName, platform::sfPrograms);
  if (CreateToTrova) DeleteTrovaLink();
  if (CreateToExplorer) DeRegisterExplorer();
}

void TMyShortCut::Create(int Folder) {
  CreateUserStartMenuShortcut(FilePathName, ExeName, GruppoProgrammiName, Folder);
}

bool TMyShortCut::ResolveFolder(int Id, std::string& Path) { return FShell.SpecialFolderPath(Id, Path); }

void TMyShortCut::CreateShortCutDesktop(const std::string&) { DesktopLink(true); }

void TMyShortCut::DeleteShortCutDesktop(const std::string&) { DesktopLink(false); }

std::vector<std::string> TMyShortCut::LinkFiles() {
  std::vector<std::string> paths;
  std::string path;
  if (CreateToAvvio && GroupLinkPath(ExeName, GruppoProgrammiName, platform::sfStartMenu, path)) paths.push_back(path);
  if (CreateDeskTopLink && DesktopLinkPath(path)) paths.push_back(path);
  if (CreateFolder && GroupLinkPath(ExeName, GruppoProgrammiName, platform::sfPrograms, path)) paths.push_back(path);
  return paths;
}

bool TMyShortCut::DesktopLinkPath(std::string& Path) {
  std::string folder;
  if (!ResolveFolder(DesktopFolder, folder)) return false;
  Path = folder + "\\" + LinkName + ".lnk";
  return true;
}

bool TMyShortCut::GroupLinkPath(const std::string& Name, const std::string& Group, int Folder, std::string& Path) {
  std::string folder;
  if (!ResolveFolder(Folder, folder)) return false;
  Path = folder + "\\" + Group + "\\" + Name + ".lnk";
  // A path that does not fit the system's 260-character buffer would be
  // cut into another path: such a link is skipped.
  return Path.size() < kMaxPath;  // the terminator must fit too
}

void TMyShortCut::DesktopLink(bool Save) {
  std::string path;
  if (!DesktopLinkPath(path)) return;
  // A failed initialisation is not paired with an uninitialisation here.
  if (!FShell.InitializeObjects()) return;
  if (auto link = FShell.CreateShellLink()) {
    link->SetPath(FilePathName);
    link->SetDescription(DescrizioneExeInForder);
    link->SetShowCmd(kShowCommand);
    if (auto file = link->QueryFile()) {
      if (Save) file->Save(path);
      file.reset();
      if (!Save) FFiles.EraseFile(path);
    }
  }
  FShell.UninitializeObjects();
}

int TMyShortCut::CreateUserStartMenuShortcut(const std::string& Target, const std::string& Name,
                                             const std::string& Group, int Folder) {
  return GroupLink(Target, Name, Group, Folder, true);
}

int TMyShortCut::DeleteUserStartMenuShortcut(const std::string& Target, const std::string& Name,
                                             const std::string& Group, int Folder) {
  return GroupLink(Target, Name, Group, Folder, false);
}

int TMyShortCut::GroupLink(const std::string& Target, const std::string& Name, const std::string& Group, int Folder,
                           bool Save) {
  std::string path;
  const bool fits = GroupLinkPath(Name, Group, Folder, path);
  if (path.empty()) return -1;  // the special folder is not known
  // The group operations go on whatever the initialisation answered, and
  // always uninitialise.
  FShell.InitializeObjects();
  int status = -1;
  if (auto link = FShell.CreateShellLink()) {
    if (auto file = link->QueryFile()) {
      link->SetPath(Target);
      const std::string groupFolder = FolderPathPart(path);
      if (link->SetDescription(Name) && fits) {
        if (Save) {
          FFiles.CreateDir(groupFolder);
          status = file->Save(path) ? 0 : -1;
        } else {
          FFiles.EraseFile(path);
          FFiles.RemoveDir(groupFolder);
          status = 0;
        }
      }
    }
  }
  FShell.UninitializeObjects();
  return status;
}

// ---- Files and folder ---------------------------------------------------------------

void TMyShortCut::RemoveCartella(std::string Path, const std::function<void()>& Step) {
  // Without a folder part the names would be taken from the current folder,
  // which is the user's download folder: nothing is deleted then.
  const std::string folder = FolderPathPart(Path);
  const bool hasFolder = !folder.empty() && IsPathSeparator(folder.back());
  try {
    for (int i = 0; i < listafile.Count(); ++i) {
      const std::string& entry = listafile[i];
      const std::string name = folder + entry;
      if (Step) Step();
      if (hasFolder && InvalidPartReason(entry).empty() && FFiles.FileExists(name)) FFiles.EraseFile(name);
    }
  } catch (...) {
    throw Exception(kRemoveFilesFailedMessage);
  }
  if (hasFolder) FFiles.RemoveDir(folder);
}
