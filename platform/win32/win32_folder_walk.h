// The folder walk on Windows, through the ANSI API.
#pragma once

#include "platform/folder_walk.h"

namespace platform {

class Win32FolderWalk : public IFolderWalk {
 public:
  bool IsFolder(const std::string& Path) override;
  bool FilesBelow(const std::string& Path, TFolderFiles& Out, std::string& Reason) override;
};

}  // namespace platform
