// The folder walk on Linux, over the host paths of a HostFileSystem.
#pragma once

#include "platform/folder_walk.h"
#include "platform/host/host_filesystem.h"

namespace platform {

class HostFolderWalk : public IFolderWalk {
 public:
  // Files translates the paths; it must outlive the walk.
  explicit HostFolderWalk(const HostFileSystem& Files) : FFiles(Files) {}
  bool IsFolder(const std::string& Path) override;
  bool FilesBelow(const std::string& Path, TFolderFiles& Out, std::string& Reason) override;

 private:
  const HostFileSystem& FFiles;
};

}  // namespace platform
