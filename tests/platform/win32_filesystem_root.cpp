#include <algorithm>

#include "platform/win32/win32_filesystem.h"
#include "platform/win32/win32_folder_walk.h"
#include "tests/platform/filesystem_root.h"

namespace testplatform {

FileSystemRoot MakeFileSystemRoot(const testsupport::TempDir& Temp) {
  std::string dir = Temp.Path();
  std::replace(dir.begin(), dir.end(), '/', '\\');
  return {std::make_unique<platform::Win32FileSystem>(), dir, std::make_unique<platform::Win32FolderWalk>()};
}

}  // namespace testplatform
