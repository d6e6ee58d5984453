#include "platform/host/host_filesystem.h"
#include "platform/host/host_folder_walk.h"
#include "tests/platform/filesystem_root.h"

namespace testplatform {

FileSystemRoot MakeFileSystemRoot(const testsupport::TempDir& Temp) {
  auto files = std::make_unique<platform::HostFileSystem>(Temp.Path());
  auto walk = std::make_unique<platform::HostFolderWalk>(*files);
  FileSystemRoot root{std::move(files), "c:\\work", std::move(walk)};
  root.Fs->ForceDirectories(root.Dir);
  return root;
}

}  // namespace testplatform
