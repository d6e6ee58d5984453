// Feeds arbitrary bytes to the archive reader: title and file list, then a
// whole restore into a scratch folder that is emptied before every input.
// Dialog boxes are answered silently; the payload trailer search runs too.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/backup.h"
#include "archive/payload.h"
#include "platform/dialogs.h"
#include "platform/host/host_filesystem.h"

namespace {

class SilentDialogs : public platform::IDialogs {
 public:
  int ShowMessageBox(const std::string&, const std::string&, uint32_t) override { return platform::idCancel; }
};

// A folder of its own under /tmp for this process, emptied per input.
const std::string& ScratchRoot() {
  static const std::string root = "/tmp/velto-fuzz-" + std::to_string(::getpid());
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::error_code ec;
  std::filesystem::remove_all(ScratchRoot(), ec);
  std::filesystem::create_directories(ScratchRoot() + "/c", ec);

  platform::HostFileSystem files(ScratchRoot());
  SilentDialogs dialogs;
  TBackupFile backup(nullptr, files, dialogs);
  std::vector<uint8_t> bytes(Data, Data + Size);

  TMemoryStream infoStream(bytes);
  TStringList list;
  std::string title;
  backup.ReadArchiveInfoFromStream(&infoStream, &list, title);

  // Restore twice: into a folder keeping the stored tree (the stored names
  // must stay inside it), and flat.
  for (bool fullPath : {true, false}) {
    TMemoryStream stream(bytes);
    backup.RestoreFullPath = fullPath;
    backup.RestoreFromStream(&stream, "c:\\dest");
  }

  TMemoryStream exe(bytes);
  try {
    archive::ReadPayloadInfo(exe, backup, &list, title);
  } catch (const std::exception&) {
  }

  // Nothing may have been written beside the destination folder.
  for (auto& e : std::filesystem::recursive_directory_iterator(ScratchRoot(), ec)) {
    std::string rel = std::filesystem::relative(e.path(), ScratchRoot()).string();
    if (rel != "c" && rel != "c/dest" && rel.rfind("c/dest/", 0) != 0) std::abort();
  }
  return 0;
}
