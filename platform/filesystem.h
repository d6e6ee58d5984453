// Files and folders, in the logic's own terms. Paths are Windows paths with
// backslashes (c:\programmi\brovik\agent); only an implementation translates
// them. Date/times are local MS-DOS date/times (platform/dostime.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/streams.h"

namespace platform {

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // True when Path names an existing file (a folder is not a file).
  virtual bool FileExists(const std::string& Path) = 0;
  virtual bool DirectoryExists(const std::string& Path) = 0;
  // Creates one folder whose parent exists. False when it failed or existed.
  virtual bool CreateDir(const std::string& Path) = 0;
  // Creates Path with all missing parents. True when the folder exists after.
  virtual bool ForceDirectories(const std::string& Path) = 0;
  // Deletes a file. False when it did not exist or could not be deleted.
  virtual bool EraseFile(const std::string& Path) = 0;
  // Removes an empty folder. False when it failed.
  virtual bool RemoveDir(const std::string& Path) = 0;
  // Last-write time of the file Path as a local MS-DOS date/time, or -1 when
  // no such file exists.
  virtual int32_t FileAge(const std::string& Path) = 0;
  // Opens Path with a mode of runtime/streams.h (fmCreate, or an access mode
  // | a sharing mode). The caller owns the stream. Throws EFCreateError
  // ("Cannot create file \"%s\". <reason>") for fmCreate, EFOpenError
  // ("Cannot open file \"%s\". <reason>") otherwise.
  virtual std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) = 0;
  // The process's current folder, as a Windows path.
  virtual std::string GetCurrentDir() = 0;

  // The archive attribute of the file Path: set by the system when the file
  // is written, cleared by a backup that stored it. HasArchiveAttribute is
  // true when it is set; ClearArchiveAttribute clears it and returns false
  // when the file does not exist or the attribute could not be changed.
  // A file system that keeps no such attribute reports every file as set and
  // cannot clear it (these defaults).
  virtual bool HasArchiveAttribute(const std::string& Path) { return FileExists(Path); }
  virtual bool ClearArchiveAttribute(const std::string&) { return false; }

  // Drives, for the folder chooser.
  struct DriveInfo {
    char Letter;        // 'a'..'z'
    int Type;           // drive type, with GetDriveTypeA's values (2 removable, 3 fixed, 4 network, 5 CD-ROM)
    std::string Label;  // volume label, or the remote name of a network drive; may be empty
  };
  virtual std::vector<DriveInfo> Drives() = 0;
  // Names of the folders directly inside Path, sorted case-insensitively.
  virtual std::vector<std::string> SubFolders(const std::string& Path) = 0;
};

}  // namespace platform
