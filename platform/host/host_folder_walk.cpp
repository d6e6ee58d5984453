#include "platform/host/host_folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// Walks the host folder Host, whose files are listed under the prefix Rel.
// Returns the number of files found below it; -1 when a folder could not
// be read (Reason says which).
int Walk(const std::string& Host, const std::string& Rel, TFolderFiles& Out, std::string& Reason) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Host.c_str()), ::closedir);
  if (!dir) {
    Reason = "cannot read folder \"" + Host + "\": " + std::strerror(errno);
    return -1;
  }
  int found = 0;
  while (const dirent* e = ::readdir(dir.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string path = Host + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;  // gone meanwhile
    if (S_ISDIR(st.st_mode)) {
      int below = Walk(path, Rel + name + "\\", Out, Reason);
      if (below < 0) return -1;
      found += below;
      continue;
    }
    // A link to a folder is passed over; any other link stands for a file.
    struct stat target {};
    if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) continue;
    Out.Files.push_back(Rel + name);
    ++found;
  }
  if (found == 0) ++Out.EmptyFolders;
  return found;
}

}  // namespace

bool HostFolderWalk::IsFolder(const std::string& Path) {
  struct stat st {};
  return ::lstat(FFiles.NativePath(Path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostFolderWalk::FilesBelow(const std::string& Path, TFolderFiles& Out, std::string& Reason) {
  Out = TFolderFiles{};
  std::string host = FFiles.NativePath(Path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (Walk(host, "", Out, Reason) < 0) return false;
  std::sort(Out.Files.begin(), Out.Files.end());
  return true;
}

}  // namespace platform
