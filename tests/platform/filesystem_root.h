// The file system of the system the tests run on, with a fresh folder in it:
// HostFileSystem with drives under a temporary folder on Linux,
// Win32FileSystem and a temporary folder under Windows; with the folder
// walk of the same system. CMake links the
// matching host_filesystem_root.cpp or win32_filesystem_root.cpp.
#pragma once

#include <memory>
#include <string>

#include "platform/filesystem.h"
#include "platform/folder_walk.h"
#include "tests/support/temp_dir.h"

namespace testplatform {

struct FileSystemRoot {
  std::unique_ptr<platform::IFileSystem> Fs;
  std::string Dir;  // Windows path of an empty folder, no trailing backslash
  std::string operator/(const std::string& Name) const { return Dir + "\\" + Name; }
  std::unique_ptr<platform::IFolderWalk> Walk;  // the folder walk over the same paths
};

// Temp outlives the result.
FileSystemRoot MakeFileSystemRoot(const testsupport::TempDir& Temp);

}  // namespace testplatform
