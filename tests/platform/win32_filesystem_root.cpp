#include <algorithm>

#include "platform/win32/win32_filesystem.h"
#include "tests/platform/filesystem_root.h"

namespace testplatform {

FileSystemRoot MakeFileSystemRoot(const testsupport::TempDir& Temp) {
  std::string dir = Temp.Path();
  std::replace(dir.begin(), dir.end(), '/', '\\');
  return {std::make_unique<platform::Win32FileSystem>(), dir};
}

}  // namespace testplatform
