// The host emulation of the shell. Special folders are fixed folders on
// drive C: of the file-system emulation, made when first asked for. A saved
// link is a small text file at the link's path that tests read back:
//   velto-link 1
//   target<TAB>c:\programmi\brovik\agent\velto.exe
//   description<TAB>Velto
//   show<TAB>5                (only when a show command was set)
// Texts are kept on one line each: a CR or LF in them is written as a blank.
// The object library needs no initialisation here; the calls are counted.
// Opened web addresses are recorded.
#pragma once

#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/shell.h"

namespace platform {

class HostShell : public IShell {
 public:
  // Files must outlive the shell; links are written through it.
  explicit HostShell(IFileSystem& Files);

  // The Windows paths of the emulated special folders.
  static constexpr const char* kDesktopFolder = "c:\\utente\\desktop";
  static constexpr const char* kStartMenuFolder = "c:\\utente\\menu avvio";
  static constexpr const char* kProgramsFolder = "c:\\utente\\menu avvio\\programmi";

  // Desktop, Start menu and Programs are known; any other id fails.
  bool SpecialFolderPath(int FolderId, std::string& Path) override;
  bool InitializeObjects() override;
  void UninitializeObjects() override;
  std::unique_ptr<IShellLinkObject> CreateShellLink() override;
  // Records the call and returns true.
  bool OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) override;

  // A link file read back. ShowCommand is -1 when none was set.
  struct Link {
    std::string Target;
    std::string Description;
    int ShowCommand = -1;
  };
  // Reads the link file at Path; false when it does not exist or is not a
  // link file of this format.
  bool ReadLink(const std::string& Path, Link& Result);

  int Initialized = 0;  // InitializeObjects minus UninitializeObjects calls
  struct OpenedUrl {
    uintptr_t OwnerWindow;
    std::string Url;
    int ShowState;
  };
  std::vector<OpenedUrl> Opened;  // every OpenUrl, in order

 private:
  IFileSystem& FFiles;
};

}  // namespace platform
