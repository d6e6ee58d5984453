// The files below a folder, for storing a folder as the files in it. Paths
// are Windows paths with backslashes, as for IFileSystem; only an
// implementation translates them.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct TFolderFiles {
  // The files below the folder, each as its parts below it joined by '\'
  // (sub\a.txt), sorted by their bytes.
  std::vector<std::string> Files;
  // Folders, the walked one included, with no file anywhere below them: an
  // archive that holds files only cannot keep them.
  int EmptyFolders = 0;
};

class IFolderWalk {
 public:
  virtual ~IFolderWalk() = default;
  // True when Path is a folder itself; a link to a folder is not one.
  virtual bool IsFolder(const std::string& Path) = 0;
  // Walks the folder Path into Out (replacing what it held). A link to a
  // folder (on Windows any reparse point that is a folder) is neither walked
  // into nor listed; a link to a file is listed as a file. False, with
  // Reason naming the folder and the system's reason, when a folder cannot
  // be read; Out is then unspecified.
  virtual bool FilesBelow(const std::string& Path, TFolderFiles& Out, std::string& Reason) = 0;
};

}  // namespace platform
