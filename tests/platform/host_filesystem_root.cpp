#include "platform/host/host_filesystem.h"
#include "tests/platform/filesystem_root.h"

namespace testplatform {

FileSystemRoot MakeFileSystemRoot(const testsupport::TempDir& Temp) {
  FileSystemRoot root{std::make_unique<platform::HostFileSystem>(Temp.Path()), "c:\\work"};
  root.Fs->ForceDirectories(root.Dir);
  return root;
}

}  // namespace testplatform
