// Builds a set of files from the input, writes them as an archive with the
// level, thread count and volume size the input chooses, restores it and
// requires every file back byte for byte, in memory throughout.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/backup.h"
#include "archive/volume_writer.h"
#include "fuzz/memory_filesystem.h"
#include "platform/dialogs.h"

namespace {

// Answers every box with OK: the restore then reads the next volume.
class OkDialogs : public platform::IDialogs {
 public:
  int ShowMessageBox(const std::string&, const std::string&, uint32_t) override { return platform::idOK; }
};

// Takes bytes from the front of the input; zero once it is used up.
class InputReader {
 public:
  InputReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
  uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
  uint32_t Number(uint32_t Below) { return Below ? (uint32_t(Byte()) << 8 | Byte()) % Below : 0; }
  bool Empty() const { return FAt >= FSize; }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FAt = 0;
};

// File contents: runs of one byte, copies of the input and counting bytes,
// so that compressible and incompressible blocks both occur.
std::vector<uint8_t> MakeContent(InputReader& In) {
  std::vector<uint8_t> bytes;
  size_t size = In.Number(70000);
  while (bytes.size() < size) {
    uint8_t kind = In.Byte() % 3, value = In.Byte();
    size_t run = std::min<size_t>(size - bytes.size(), 1 + In.Number(20000));
    for (size_t i = 0; i < run; ++i)
      bytes.push_back(kind == 0 ? value : kind == 1 ? In.Byte() : uint8_t(value + i * 7));
    if (In.Empty() && kind == 1) break;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  InputReader in(Data, Size);
  fuzzing::MemoryFileSystem files;
  OkDialogs dialogs;
  TBackupFile backup(nullptr, files, dialogs);
  backup.CompressionLevel = TCompressionLevel(in.Byte() % 4);
  backup.CompressionThreads = 1 + in.Byte() % 3;
  backup.DecompressionThreads = 1 + in.Byte() % 3;
  backup.BackupTitle = std::string(in.Byte() % 8, 'T');

  std::vector<TBackupFile::TSourceFile> sources;
  int count = 1 + in.Byte() % 5;
  for (int i = 0; i < count; ++i) {
    std::string n = std::to_string(i);
    files.Put("c:\\src\\f" + n, MakeContent(in));
    sources.push_back({"c:\\src\\f" + n, "c:\\app\\d" + std::to_string(in.Byte() % 3) + "\\f" + n + ".bin"});
  }
  if (in.Byte() % 2) {
    size_t longest = 0;
    for (const auto& s : sources) longest = std::max(longest, s.StoredName.size());
    backup.MaxSize = int32_t(archive::MinVolumeSize(backup.BackupTitle.size(), longest) + in.Number(40000));
  }
  files.ForceDirectories("c:\\out");
  if (!backup.Backup("c:\\out\\a.arc", sources)) std::abort();

  backup.RestoreFullPath = true;
  if (!backup.Restore("c:\\out\\a.arc", "c:\\dest")) std::abort();
  for (const auto& s : sources) {
    auto source = files.Files().find(fuzzing::MemoryFileSystem::Fold(s.SourcePath));
    auto restored = files.Files().find(fuzzing::MemoryFileSystem::Fold("c:\\dest\\" + s.StoredName.substr(3)));
    if (restored == files.Files().end() || restored->second->Bytes != source->second->Bytes) std::abort();
  }
  return 0;
}
