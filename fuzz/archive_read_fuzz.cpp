// Feeds arbitrary bytes to the archive reader: title and file list, then a
// whole restore into a file system held in memory, fresh for every input.
// Dialog boxes are answered silently; the payload trailer search runs too.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/backup.h"
#include "archive/payload.h"
#include "fuzz/memory_filesystem.h"
#include "platform/dialogs.h"

namespace {

class SilentDialogs : public platform::IDialogs {
 public:
  int ShowMessageBox(const std::string&, const std::string&, uint32_t) override { return platform::idCancel; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  fuzzing::MemoryFileSystem files;
  SilentDialogs dialogs;
  TBackupFile backup(nullptr, files, dialogs);
  // Threads are the round-trip target's business: here they cost more than
  // the input's few blocks are worth.
  backup.DecompressionThreads = 1;
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
  for (const auto& [name, file] : files.Files())
    if (name.rfind("c:\\dest\\", 0) != 0) std::abort();
  return 0;
}
