// TMyShortCut: the shell-integration component. It holds the settings of the
// product's links and browser entries; CreateLink makes the links (desktop,
// start menu, program group) and the registry entries when the main
// executable is installed, RemoveLink and RemoveCartella undo the install.
//
// Every operation reads the properties when it runs, keeps no state between
// calls and fails silently, except a registry value that cannot be written
// (ERegistryException "Failed to set data for 'Name'") and a failure while
// deleting the installed files (Exception "Errore cancellazione ditta").
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "runtime/component.h"
#include "runtime/stringlist.h"
#include "shell/shell_registry.h"

// The message RemoveCartella raises when walking the file list fails.
inline constexpr const char* kRemoveFilesFailedMessage = "Errore cancellazione ditta";

class TMyShortCut : public TComponent {
 public:
  // Defaults: every text empty except the two class ids, every flag false,
  // listafile empty. The services must outlive the component.
  TMyShortCut(TComponent* AOwner, platform::IShell& Shell, platform::IRegistry& Registry, platform::IFileSystem& Files);

  // ---- Published properties, in their declared order ----
  // File name and description of the start-menu and program-group links;
  // Find-menu key name; the installer matches restored files against it.
  std::string ExeName;
  // Target of every link; browser and Find-menu entries. Set at run time.
  std::string FilePathName;
  // Browser button icons; made a full path by the installer.
  std::string IconPathName;
  // Read by no operation.
  std::string Descrizione;
  // Browser Tools-menu text and status-bar text; Find-menu text.
  std::string MenuText;
  // File name of the desktop link, without ".lnk".
  std::string LinkName;
  // Class id of the Find-menu extension and of the local server.
  std::string CLSIDExplore = "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}";
  // Read by no operation.
  std::string CLSIDExplore1 = "{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}";
  // Folder that holds the start-menu and program-group links.
  std::string GruppoProgrammiName;
  // Description of the desktop link; browser button text and context-menu
  // entry name.
  std::string DescrizioneExeInForder;
  bool CreateDeskTopLink = false;  // selects the desktop link
  bool CreateFolder = false;       // selects the program-group link
  bool CreateToTrova = false;      // selects the Find-menu entries
  bool CreateToExplorer = false;   // selects the browser extension entries
  bool CreateToAvvio = false;      // selects the start-menu link
  // The product's installed files, bare names relative to the installation
  // folder, in the order RemoveCartella deletes them. Owned by the component.
  TStringList listafile;
  // Replaces listafile's contents with a copy of Value's strings.
  void Setlistafile(const TStringList& Value) { listafile.Assign(Value); }

  // ---- Making ----
  // Runs, each only when its flag is set and in this order: start-menu link
  // (CreateToAvvio), desktop link (CreateDeskTopLink), program-group link
  // (CreateFolder), CreateTrovaLink (CreateToTrova), RegisterExplorer
  // (CreateToExplorer). A failed link step does not stop the next; a
  // registry value that cannot be written throws and ends it there.
  void CreateLink();
  // What CreateLink would write with the present properties, so that a
  // caller can note what is there before: the link files, in the order they
  // are saved (a special folder that cannot be resolved, or a path too long
  // to be saved, gives none), and the registry rows.
  std::vector<std::string> LinkFiles();
  std::vector<shellregistry::TKeyRows> RegistryRows() const;
  // Saves desktop folder\LinkName.lnk pointing at FilePathName, description
  // DescrizioneExeInForder, show command 5. The argument is not used.
  void CreateShortCutDesktop(const std::string& Unused);
  // Deletes desktop folder\LinkName.lnk (only when the link object and its
  // file side can be made). The argument is not used.
  void DeleteShortCutDesktop(const std::string& Unused);
  // Saves special folder Folder\Group\Name.lnk pointing at Target, with
  // description Name, creating the Group folder. Returns 0 when the file was
  // saved, -1 otherwise; a path that would not fit 260 characters is not
  // saved.
  int CreateUserStartMenuShortcut(const std::string& Target, const std::string& Name, const std::string& Group,
                                  int Folder);
  // Deletes that link, then removes the Group folder when it is then empty.
  // Returns 0 when it got as far as the delete, -1 otherwise.
  int DeleteUserStartMenuShortcut(const std::string& Target, const std::string& Name, const std::string& Group,
                                  int Folder);
  // The start-menu style link for FilePathName, ExeName and
  // GruppoProgrammiName in special folder Folder.
  void Create(int Folder);

  // ---- Registry entries (browser and Find menu) ----
  // Writes the browser toolbar button, Tools-menu item and the two
  // context-menu entries. A key that cannot be opened skips its values.
  void RegisterExplorer();
  // Removes the four keys RegisterExplorer writes, creating none.
  void DeRegisterExplorer();
  // Writes the Find-menu extension, the application path and the two local
  // server entries; nothing when the first key cannot be made. Rows whose key
  // would be a shared parent key (empty ExeName, FilePathName without a file
  // name) are skipped.
  void CreateTrovaLink();
  // Deletes the values CreateTrovaLink writes; the keys stay.
  void DeleteTrovaLink();

  // ---- Removal ----
  // Undoes CreateLink step by step under the same flags; reports nothing.
  void RemoveLink();
  // Deletes the listafile entries from the folder of Path (the part up to
  // and including its last "\", "/" or ":"), calling Step (when set) once
  // per entry before the entry is looked at (the installer advances its
  // progress bar there), then removes the folder when it is empty. A Path
  // without a folder part deletes nothing; an entry that is not a valid single
  // name (InvalidPartReason: holding "\", "/", ":", a control character, or
  // only dots and blanks) is not deleted. Throws
  // Exception(kRemoveFilesFailedMessage) when walking the list or Step fails;
  // the files deleted before stay deleted and the folder is kept.
  void RemoveCartella(std::string Path, const std::function<void()>& Step);

 private:
  // The path of special folder Id; false when it cannot be resolved.
  bool ResolveFolder(int Id, std::string& Path);
  // The desktop link's path and a group link's path; false when the special
  // folder cannot be resolved (or, for a group link, the path is too long).
  bool DesktopLinkPath(std::string& Path);
  bool GroupLinkPath(const std::string& Name, const std::string& Group, int Folder, std::string& Path);
  // Desktop link steps shared by create and delete; Save selects which.
  void DesktopLink(bool Save);
  // Group link steps shared by create and delete.
  int GroupLink(const std::string& Target, const std::string& Name, const std::string& Group, int Folder, bool Save);

  const int DesktopFolder = platform::sfDesktopDirectory;
  platform::IShell& FShell;
  platform::IRegistry& FRegistry;
  platform::IFileSystem& FFiles;
};
