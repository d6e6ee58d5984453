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
  // A file made with fmCreate holds up to CreateBufferSize bytes written to
  // it in memory and hands them to the system together (see
  // TFileStream::FlushBuffer); it does so before any read, seek, size or
  // date of the stream as well.
  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override;
  // 0: every write goes to the system at once. Under Wine every WriteFile
  // is a trip through its layers, so a program that makes large files with
  // a writer that calls FlushBuffer sets this.
  size_t CreateBufferSize = 0;
  std::string GetCurrentDir() override;
  // FILE_ATTRIBUTE_ARCHIVE of a file (false for a folder or a missing file).
  bool HasArchiveAttribute(const std::string& Path) override;
  bool ClearArchiveAttribute(const std::string& Path) override;
  // Every drive of GetLogicalDrives; the label is the volume label, or for a
  // network drive its remote name (\\server\share).
  std::vector<DriveInfo> Drives() override;
  std::vector<std::string> SubFolders(const std::string& Path) override;
};

}  // namespace platform
