// IFileSystem for tests that need failures on demand: it passes everything to
// a real file system (normally a HostFileSystem in a TempDir) and fails where
// told: a file that cannot be opened or created, writes that stop after a
// number of bytes. It also counts the file streams still open.
#pragma once

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "platform/filesystem.h"
#include "runtime/exceptions.h"

namespace testsupport {

class FakeFileSystem : public platform::IFileSystem {
 public:
  explicit FakeFileSystem(platform::IFileSystem& Inner) : FInner(Inner) {}

  std::set<std::string> FailOpen;   // paths whose OpenFile (any mode) throws
  long long WriteLimit = -1;        // bytes that files opened for writing accept in all; -1: no limit
  std::set<std::string> FailFlush;  // paths whose streams' FlushBuffer throws EWriteError
  int OpenStreams = 0;              // file streams made here and not yet destroyed
  std::vector<std::string> Opened;  // every path opened, with "w " or "r " in front

  bool FileExists(const std::string& Path) override { return FInner.FileExists(Path); }
  bool DirectoryExists(const std::string& Path) override { return FInner.DirectoryExists(Path); }
  bool CreateDir(const std::string& Path) override { return FInner.CreateDir(Path); }
  bool ForceDirectories(const std::string& Path) override { return FInner.ForceDirectories(Path); }
  bool EraseFile(const std::string& Path) override { return FInner.EraseFile(Path); }
  bool RemoveDir(const std::string& Path) override { return FInner.RemoveDir(Path); }
  int32_t FileAge(const std::string& Path) override { return FInner.FileAge(Path); }
  std::string GetCurrentDir() override { return FInner.GetCurrentDir(); }
  bool HasArchiveAttribute(const std::string& Path) override { return FInner.HasArchiveAttribute(Path); }
  bool ClearArchiveAttribute(const std::string& Path) override { return FInner.ClearArchiveAttribute(Path); }
  std::vector<DriveInfo> Drives() override { return FInner.Drives(); }
  std::vector<std::string> SubFolders(const std::string& Path) override { return FInner.SubFolders(Path); }

  std::unique_ptr<TFileStream> OpenFile(const std::string& Path, uint16_t Mode) override {
    bool writing = Mode == fmCreate || (Mode & 3) != fmOpenRead;
    Opened.push_back((writing ? "w " : "r ") + Path);
    if (FailOpen.count(Path)) {
      if (Mode == fmCreate) throw EFCreateError("Cannot create file \"" + Path + "\". Access denied");
      throw EFOpenError("Cannot open file \"" + Path + "\". Access denied");
    }
    return std::make_unique<Stream>(*this, FInner.OpenFile(Path, Mode), writing);
  }

 private:
  class Stream : public TFileStream {
   public:
    Stream(FakeFileSystem& Owner, std::unique_ptr<TFileStream> Inner, bool Writing)
        : TFileStream(Inner->FileName()), FOwner(Owner), FInner(std::move(Inner)), FWriting(Writing) {
      ++FOwner.OpenStreams;
    }
    ~Stream() override { --FOwner.OpenStreams; }
    int32_t Read(void* Buffer, int32_t Count) override { return FInner->Read(Buffer, Count); }
    int32_t Write(const void* Buffer, int32_t Count) override {
      if (FWriting && FOwner.WriteLimit >= 0) {
        long long n = std::min<long long>(Count, FOwner.WriteLimit);
        FOwner.WriteLimit -= n;
        return n > 0 ? FInner->Write(Buffer, static_cast<int32_t>(n)) : 0;
      }
      return FInner->Write(Buffer, Count);
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override { return FInner->Seek(Offset, Origin); }
    int64_t Size() override { return FInner->Size(); }
    bool SetDosDateTime(int32_t DosDateTime) override { return FInner->SetDosDateTime(DosDateTime); }
    void FlushBuffer() override {
      if (FOwner.FailFlush.count(FileName())) throw EWriteError("Stream write error");
      FInner->FlushBuffer();
    }

   private:
    FakeFileSystem& FOwner;
    std::unique_ptr<TFileStream> FInner;
    bool FWriting;
  };

  platform::IFileSystem& FInner;
};

}  // namespace testsupport
