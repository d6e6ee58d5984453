// IDestination for tests that need failures or a moment to act: it passes
// everything to a real destination (normally the host one in a TempDir) and
// fails where told: writes past a number of bytes, the commit of a name, the
// making of a folder. Hooks run just before NewTempFile and just before
// Commit, so that a test can change the disk at that moment (plant a link,
// swap a folder). It also counts the temporary files still live.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/destination.h"

namespace testsupport {

class FakeDestination : public platform::IDestination {
 public:
  explicit FakeDestination(platform::IDestination& Inner) : FInner(Inner) {}

  long long WriteLimit = -1;                             // bytes that temp files accept in all; -1: no limit
  std::string WriteFailure = "No space left on device";  // the reason of a write past WriteLimit
  std::set<std::string> FailCommit;                      // names whose Commit fails (the temp file is removed)
  std::set<platform::TNameParts> Unmakeable;             // folders that cannot be made while missing
  std::function<void(const platform::TNameParts& Folders)> BeforeNewTempFile;
  std::function<void(const platform::TNameParts& Folders, const std::string& Name)> BeforeCommit;
  int LiveTempFiles = 0;  // made here, not yet committed, failed to commit or destroyed

  platform::TEntryInfo Look(const platform::TNameParts& Parts) override { return FInner.Look(Parts); }
  bool MakeFolders(const platform::TNameParts& Folders, std::string& Reason) override {
    return Makeable(Folders, Reason) && FInner.MakeFolders(Folders, Reason);
  }
  std::unique_ptr<platform::ITempFile> NewTempFile(const platform::TNameParts& Folders, std::string& Reason) override {
    if (BeforeNewTempFile) BeforeNewTempFile(Folders);
    if (!Makeable(Folders, Reason)) return nullptr;
    auto inner = FInner.NewTempFile(Folders, Reason);
    if (!inner) return nullptr;
    return std::make_unique<TempFile>(*this, Folders, std::move(inner));
  }
  std::string Root() const override { return FInner.Root(); }

 private:
  class TempFile : public platform::ITempFile {
   public:
    TempFile(FakeDestination& Owner, platform::TNameParts Folders, std::unique_ptr<platform::ITempFile> Inner)
        : FOwner(Owner), FFolders(std::move(Folders)), FInner(std::move(Inner)) {
      ++FOwner.LiveTempFiles;
    }
    ~TempFile() override { Drop(); }

    bool Write(const void* Data, size_t Size, std::string& Reason) override {
      if (!FInner) return Gone(Reason);
      if (FOwner.WriteLimit >= 0) {
        size_t n = static_cast<size_t>(std::min<long long>(static_cast<long long>(Size), FOwner.WriteLimit));
        FOwner.WriteLimit -= static_cast<long long>(n);
        if (n < Size) {
          if (n > 0) FInner->Write(Data, n, Reason);
          Reason = FOwner.WriteFailure;
          return false;
        }
      }
      return FInner->Write(Data, Size, Reason);
    }
    bool SetDosDateTime(int32_t DosDateTime) override { return FInner && FInner->SetDosDateTime(DosDateTime); }
    bool Close(std::string& Reason) override { return FInner ? FInner->Close(Reason) : Gone(Reason); }
    bool Commit(const std::string& Name, bool Replace, std::string& Reason) override {
      if (!FInner) return Gone(Reason);
      if (FOwner.BeforeCommit) FOwner.BeforeCommit(FFolders, Name);
      bool ok = !FOwner.FailCommit.count(Name) && FInner->Commit(Name, Replace, Reason);
      if (!ok && FOwner.FailCommit.count(Name)) {
        FInner.reset();  // removes the temporary file, as a failed commit does
        Reason = "Access denied";
      }
      Drop();
      return ok;
    }
    std::string TempName() const override { return FInner ? FInner->TempName() : std::string(); }

   private:
    static bool Gone(std::string& Reason) {
      Reason = "The file was removed after a failed commit";
      return false;
    }
    void Drop() {
      if (FCounted) --FOwner.LiveTempFiles;
      FCounted = false;
    }
    FakeDestination& FOwner;
    platform::TNameParts FFolders;
    std::unique_ptr<platform::ITempFile> FInner;
    bool FCounted = true;
  };

  // False with Reason when Folders runs through a missing folder that is
  // marked unmakeable.
  bool Makeable(const platform::TNameParts& Folders, std::string& Reason) {
    platform::TNameParts path;
    for (const std::string& part : Folders) {
      path.push_back(part);
      if (Unmakeable.count(path) && FInner.Look(path).Kind != platform::ekFolder) {
        Reason = "Cannot make folder \"" + part + "\". Access denied";
        return false;
      }
    }
    return true;
  }

  platform::IDestination& FInner;
};

}  // namespace testsupport
