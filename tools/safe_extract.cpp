#include "tools/safe_extract.h"

#include <algorithm>
#include <optional>

#include "runtime/exceptions.h"

namespace arc {

namespace {

// A file stream that hands everything to the stream it wraps and records
// the system's reason when a write falls short.
class TWatchedStream : public TFileStream {
 public:
  TWatchedStream(std::unique_ptr<TFileStream> Inner, TWatchedFileSystem& Owner)
      : TFileStream(Inner->FileName()), FInner(std::move(Inner)), FOwner(Owner) {}
  int32_t Read(void* Buffer, int32_t Count) override { return FInner->Read(Buffer, Count); }
  int32_t Write(const void* Buffer, int32_t Count) override {
    int32_t n = FInner->Write(Buffer, Count);
    // Read the reason before anything else can change it.
    if (n < Count) FOwner.NoteFailure(FileName(), FOwner.Console().LastSystemError());
    return n;
  }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override { return FInner->Seek(Offset, Origin); }
  int64_t Size() override { return FInner->Size(); }
  bool SetDosDateTime(int32_t DosDateTime) override { return FInner->SetDosDateTime(DosDateTime); }

 private:
  std::unique_ptr<TFileStream> FInner;
  TWatchedFileSystem& FOwner;
};

// A new file held in memory and handed to the writer threads when it is
// closed. One that grows past the limit, or is read or moved about in, is
// made at once and written directly from then on.
class THeldFileStream : public TFileStream {
 public:
  THeldFileStream(const std::string& Path, TWatchedFileSystem& Owner) : TFileStream(Path), FOwner(Owner) {}
  ~THeldFileStream() override {
    if (!FDirect) FOwner.Writers().Write(FileName(), std::move(FData), FDosDateTime);
  }
  int32_t Read(void* Buffer, int32_t Count) override { return Direct().Read(Buffer, Count); }
  int32_t Write(const void* Buffer, int32_t Count) override {
    if (FDirect || FData.size() + size_t(std::max(Count, 0)) > TWatchedFileSystem::kHeldFileBytes)
      return Direct().Write(Buffer, Count);
    auto* bytes = static_cast<const uint8_t*>(Buffer);
    FData.insert(FData.end(), bytes, bytes + std::max(Count, 0));
    return Count;
  }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    // Asking for the position or the end is all a restore does.
    if (!FDirect && Offset == 0 && Origin != TSeekOrigin::soBeginning) return int64_t(FData.size());
    return Direct().Seek(Offset, Origin);
  }
  int64_t Size() override { return FDirect ? FDirect->Size() : int64_t(FData.size()); }
  bool SetDosDateTime(int32_t DosDateTime) override {
    if (FDirect) return FDirect->SetDosDateTime(DosDateTime);
    FDosDateTime = DosDateTime;
    return true;
  }

 private:
  TFileStream& Direct() {
    if (!FDirect) {
      // Made anew, as the writers make a file: whatever has the name goes.
      FOwner.Console().RemoveEntry(FileName());
      FDirect = FOwner.OpenDirect(FileName(), fmCreate);
      FDirect->WriteBuffer(FData.data(), int32_t(FData.size()));
      FData = {};
    }
    return *FDirect;
  }

  TWatchedFileSystem& FOwner;
  std::vector<uint8_t> FData;
  std::optional<int32_t> FDosDateTime;
  std::unique_ptr<TFileStream> FDirect;
};

// Names compared as the strictest of the systems does: ASCII case ignored.
std::string Folded(std::string Name) {
  for (char& c : Name)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return Name;
}

}  // namespace

std::string TWatchedFileSystem::FailureReason(const std::string& Path) const {
  auto it = FReasons.find(Path);
  return it == FReasons.end() ? std::string() : it->second;
}

bool TWatchedFileSystem::ForceDirectories(const std::string& Path) {
  // Every folder on the way is looked at or made once per run: later
  // entries of the same folders cost nothing.
  std::string path = Path;
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  if (FMadeFolders.count(path)) return true;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\') continue;
    std::string part = path.substr(0, i);
    if (part.back() == ':' || part.find_first_not_of('\\') == std::string::npos || FMadeFolders.count(part)) continue;
    if (!FInner.DirectoryExists(part) && !FInner.CreateDir(part) && !FInner.DirectoryExists(part)) return false;
    FMadeFolders.insert(part);
  }
  return true;
}

std::unique_ptr<TFileStream> TWatchedFileSystem::OpenFile(const std::string& Path, uint16_t Mode) {
  if (Mode == fmCreate) return std::make_unique<THeldFileStream>(Path, *this);
  FWriters.Drain();
  return OpenDirect(Path, Mode);
}

std::unique_ptr<TFileStream> TWatchedFileSystem::OpenDirect(const std::string& Path, uint16_t Mode) {
  try {
    return std::make_unique<TWatchedStream>(FInner.OpenFile(Path, Mode), *this);
  } catch (const Exception& e) {
    NoteFailure(Path, ReasonOfOpenFailure(e.Message()));
    throw;
  }
}

TSafeExtraction::TSafeExtraction(TWatchedFileSystem& Files, std::string DestDir, std::vector<std::string> Archives,
                                 bool Overwrite)
    : FFiles(Files),
      FConsole(Files.Console()),
      FDestDir(std::move(DestDir)),
      FArchives(std::move(Archives)),
      FOverwrite(Overwrite) {
  if (!FDestDir.empty() && FDestDir.back() != '\\') FDestDir += '\\';
}

std::string TSafeExtraction::TargetOf(const std::string& Name) const {
  auto it = FTargets.find(Name);
  return it == FTargets.end() ? Name : it->second;
}

bool TSafeExtraction::IsArchive(const std::string& Target) const {
  return std::any_of(FArchives.begin(), FArchives.end(),
                     [&](const std::string& A) { return Folded(A) == Folded(Target); });
}

std::string TSafeExtraction::LinkOnTheWay(const std::string& Target) const {
  for (size_t i = Target.find('\\', FDestDir.size()); i != std::string::npos; i = Target.find('\\', i + 1))
    if (FConsole.IsLink(Target.substr(0, i))) return Target.substr(0, i);
  return "";
}

void TSafeExtraction::Redirect(std::string& Filename, bool& DoRestore, bool PreviousComplete) {
  PutPendingInPlace(PreviousComplete);
  if (!DoRestore || Filename.compare(0, FDestDir.size(), FDestDir) != 0) return;
  std::string stored = Filename.substr(FDestDir.size()), relative;
  if (!FConsole.SystemName(stored, relative)) {
    FProblems.push_back("cannot name " + FConsole.DisplayPath(Filename) + " in the system's encoding");
    DoRestore = false;
    return;
  }
  const std::string target = FDestDir + relative;
  Filename = target;
  // The archive being read is refused by the component under its own name.
  if (IsArchive(target)) return;
  if (std::string link = LinkOnTheWay(target); !link.empty()) {
    FProblems.push_back("not written: " + FConsole.DisplayPath(target) + " (" + FConsole.DisplayPath(link) +
                        " is a symbolic link)");
    DoRestore = false;
    return;
  }
  if (!FWritten.insert(Folded(target)).second) {
    if (!FOverwrite) {
      FProblems.push_back("not written: " + FConsole.DisplayPath(target) + " (an earlier entry was written there)");
      DoRestore = false;
      return;
    }
    // The earlier entry's file is put in place before its temporary name
    // is used again.
    FFiles.Writers().Drain();
  }
  size_t slash = target.rfind('\\');
  FPendingTarget = target;
  FPendingTemp = target.substr(0, slash + 1) + ".~" + target.substr(slash + 1) + ".velto-arc";
  FTargets[FPendingTemp] = target;
  Filename = FPendingTemp;
}

void TSafeExtraction::Finish(bool Complete) {
  PutPendingInPlace(Complete);
  FFiles.Writers().Drain();
  for (const std::string& problem : FFiles.Writers().Problems()) FProblems.push_back(problem);
}

void TSafeExtraction::PutPendingInPlace(bool Complete) {
  if (FPendingTemp.empty()) return;
  FFiles.Writers().Place(FPendingTemp, FPendingTarget, Complete);
  FPendingTemp.clear();
  FPendingTarget.clear();
}

}  // namespace arc
