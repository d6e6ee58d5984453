// The host (Linux) emulation of the Windows file system. Windows paths are
// mapped onto the host's:
//   - drive Z: is the host's root, as under Wine (z:\home\u\a.txt -> /home/u/a.txt);
//   - any other drive X: lies under the drives root: c:\programmi\x ->
//     <root>/c/programmi/x (the letter lower-cased);
//   - "\x" (root of the current drive) is taken on drive C:;
//   - a path without a drive is relative to the process's current folder.
// The drives root comes from the constructor, else from the environment
// variable VELTO_DRIVES, else $HOME/.velto/drives.
#pragma once

#include <ctime>
#include <string>

#include "platform/filesystem.h"

namespace platform {

class HostFileSystem : public IFileSystem {
 public:
  explicit HostFileSystem(std::string DrivesRoot = DefaultDrivesRoot());
  static std::string DefaultDrivesRoot();

  // The host path that a Windows path names.
  std::string NativePath(const std::string& WindowsPath) const;
  // The Windows path (drive Z:) of an absolute host path: /home/u -> Z:\home\u.
  static std::string WindowsPathOf(const std::string& HostPath);

  bool FileExists(const std::string& Path) override;
  bool DirectoryExists(const std::string& Path) override;
  bool CreateDir(const std::string& Path) override;
  bool ForceDirectories(const std::string& Path) override;
  bool EraseFile(const std::string& Path) override;
  bool RemoveDir(const std::string& Path) override;
  int32_t FileAge(const std::string& Path) override;
  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override;
  std::string GetCurrentDir() override;
  // The host has no archive attribute. Clearing it records the file's
  // current modification time (seconds and nanoseconds) in the extended
  // attribute "user.velto.archive"; the attribute counts as set while that
  // record is missing or differs from the file's modification time, that is
  // until the file is written again. Clearing fails where the host file
  // system keeps no user extended attributes.
  bool HasArchiveAttribute(const std::string& Path) override;
  bool ClearArchiveAttribute(const std::string& Path) override;
  // Drive Z: (the host's root) and every drive folder under the drives root.
  std::vector<DriveInfo> Drives() override;
  std::vector<std::string> SubFolders(const std::string& Path) override;

 private:
  std::string FRoot;
};

// Local-time conversions between Unix times and MS-DOS date/times.
// DosFromUnixTime: -1 for a time outside 1980..2107. UnixFromDosTime: false
// for a value that is not a valid date and time.
int32_t DosFromUnixTime(std::time_t T);
bool UnixFromDosTime(int32_t Value, std::time_t& T);
// The access and last-write times, both the MS-DOS date/time Value, as
// futimens and utimensat take them (Windows tools show both); false as
// UnixFromDosTime.
bool FileTimesFromDosTime(int32_t Value, struct timespec (&Times)[2]);

}  // namespace platform
