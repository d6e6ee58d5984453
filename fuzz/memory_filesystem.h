// A file system held in memory, for the fuzz targets: no system calls, so
// that inputs run fast and nothing touches the disk. Names are compared as
// Windows does (ASCII case ignored); drive roots always exist.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "runtime/exceptions.h"

namespace fuzzing {

class MemoryFileSystem : public platform::IFileSystem {
 public:
  struct TFile {
    std::vector<uint8_t> Bytes;
    int32_t DosDateTime = 0x32210000;  // 2005-01-01
  };

  // The files, by folded name.
  const std::map<std::string, std::shared_ptr<TFile>>& Files() const { return FFiles; }
  // Puts a file there directly (parents are not needed).
  void Put(const std::string& Path, std::vector<uint8_t> Bytes) {
    auto file = std::make_shared<TFile>();
    file->Bytes = std::move(Bytes);
    FFiles[Fold(Path)] = file;
  }

  bool FileExists(const std::string& Path) override { return FFiles.count(Fold(Path)) > 0; }
  bool DirectoryExists(const std::string& Path) override {
    std::string p = Trimmed(Path);
    return IsRoot(p) || FDirs.count(p) > 0;
  }
  bool CreateDir(const std::string& Path) override {
    std::string p = Trimmed(Path);
    if (DirectoryExists(p) || FFiles.count(p) || !DirectoryExists(Parent(p))) return false;
    FDirs.insert(p);
    return true;
  }
  bool ForceDirectories(const std::string& Path) override {
    std::string p = Trimmed(Path);
    if (p.empty()) return false;
    if (!DirectoryExists(p) && !FFiles.count(p)) {
      std::string parent = Parent(p);
      if (parent == p || !ForceDirectories(parent)) return false;
      FDirs.insert(p);
    }
    return DirectoryExists(p);
  }
  bool EraseFile(const std::string& Path) override { return FFiles.erase(Fold(Path)) > 0; }
  bool RemoveDir(const std::string& Path) override { return FDirs.erase(Trimmed(Path)) > 0; }
  int32_t FileAge(const std::string& Path) override {
    auto it = FFiles.find(Fold(Path));
    return it == FFiles.end() ? -1 : it->second->DosDateTime;
  }
  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override {
    std::string p = Fold(Path);
    auto it = FFiles.find(p);
    if (Mode == fmCreate) {
      if (FDirs.count(p) || !DirectoryExists(Parent(p))) throw EFCreateError("Cannot create file \"" + Path + "\".");
      if (it == FFiles.end()) it = FFiles.emplace(p, std::make_shared<TFile>()).first;
      it->second->Bytes.clear();
    } else if (it == FFiles.end()) {
      throw EFOpenError("Cannot open file \"" + Path + "\".");
    }
    return std::make_unique<TStreamOver>(Path, it->second);
  }
  std::string GetCurrentDir() override { return "c:\\"; }
  std::vector<DriveInfo> Drives() override { return {{'c', 3, ""}}; }
  std::vector<std::string> SubFolders(const std::string&) override { return {}; }

  static std::string Fold(const std::string& Path) {
    std::string p = Path;
    for (char& c : p) c = c == '/' ? '\\' : (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return p;
  }

 private:
  class TStreamOver : public TFileStream {
   public:
    TStreamOver(const std::string& Name, std::shared_ptr<TFile> File) : TFileStream(Name), FFile(std::move(File)) {}
    int32_t Read(void* Buffer, int32_t Count) override {
      auto& b = FFile->Bytes;
      int64_t n = std::max<int64_t>(0, std::min<int64_t>(Count, int64_t(b.size()) - FPos));
      if (n > 0) std::copy(b.begin() + FPos, b.begin() + FPos + n, static_cast<uint8_t*>(Buffer));
      FPos += n;
      return int32_t(n);
    }
    int32_t Write(const void* Buffer, int32_t Count) override {
      auto& b = FFile->Bytes;
      if (size_t(FPos) + size_t(Count) > b.size()) b.resize(size_t(FPos) + size_t(Count));
      std::copy(static_cast<const uint8_t*>(Buffer), static_cast<const uint8_t*>(Buffer) + Count, b.begin() + FPos);
      FPos += Count;
      return Count;
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
      int64_t base = Origin == TSeekOrigin::soBeginning ? 0
                     : Origin == TSeekOrigin::soCurrent ? FPos
                                                        : int64_t(FFile->Bytes.size());
      if (base + Offset < 0) return -1;
      FPos = base + Offset;
      return FPos;
    }
    int64_t Size() override { return int64_t(FFile->Bytes.size()); }
    bool SetDosDateTime(int32_t DosDateTime) override {
      FFile->DosDateTime = DosDateTime;
      return true;
    }

   private:
    std::shared_ptr<TFile> FFile;
    int64_t FPos = 0;
  };

  static std::string Trimmed(const std::string& Path) {
    std::string p = Fold(Path);
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    return p;
  }
  static bool IsRoot(const std::string& P) { return (P.size() == 2 || P.size() == 3) && P[1] == ':'; }
  static std::string Parent(const std::string& P) {
    size_t at = P.rfind('\\');
    if (at == std::string::npos) return P;
    return at == 2 ? P.substr(0, 3) : P.substr(0, at);
  }

  std::map<std::string, std::shared_ptr<TFile>> FFiles;
  std::set<std::string> FDirs;
};

}  // namespace fuzzing
