// Files and folders through the Windows ANSI API.
#pragma once

#include "platform/filesystem.h"

namespace platform {

class Win32FileSystem : public IFileSystem {
public:
  bool FileExists(const std::string& Path) override;
  bool DirectoryExists(const std::string& Path) override;
  bool CreateDir(const std::string& Path) override;
  bool ForceDirectories(const std::string& Path) override;
  bool EraseFile(const std::string& Path) override;
  bool RemoveDir(const std::string& Path) override;
  int32_t FileAge(const std::string& Path) override;
  // Share modes as the class library has them: fmShareExclusive and the
  // compatibility mode (0) share nothing, fmShareDenyWrite shares reading,
  // fmShareDenyNone shares reading and writing. fmCreate creates or
  // truncates, opens for reading and writing and shares reading only.
  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override;
  std::string GetCurrentDir() override;
  // Every drive of GetLogicalDrives; the label is the volume label, or for a
  // network drive its remote name (\\server\share).
  std::vector<DriveInfo> Drives() override;
  std::vector<std::string> SubFolders(const std::string& Path) override;
};

}  // namespace platform
