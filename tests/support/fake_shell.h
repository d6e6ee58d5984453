// IShell for tests: passes everything to a real shell (normally a HostShell
// over a HostFileSystem in a TempDir), logs each call in order, and fails
// where told: a special folder, the initialisation, the link object, its
// file side, a setter or the save.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace testsupport {

class FakeShell : public platform::IShell {
 public:
  explicit FakeShell(platform::IShell& Inner) : FInner(Inner) {}

  std::set<int> FailFolders;        // SpecialFolderPath of these ids fails
  bool FailInitialize = false;      // InitializeObjects answers a failure (still passed on)
  bool FailCreate = false;          // CreateShellLink gives nullptr
  bool FailQueryFile = false;       // QueryFile gives nullptr
  bool FailSetDescription = false;  // SetDescription refuses
  bool FailSave = false;            // Save writes nothing and answers false
  // Every call, in order: "folder 16", "init", "uninit", "create",
  // "path T", "description D", "show 5", "query", "save P",
  // "release file", "release link", "open U".
  std::vector<std::string> Log;

  bool SpecialFolderPath(int FolderId, std::string& Path) override {
    Log.push_back("folder " + std::to_string(FolderId));
    return !FailFolders.count(FolderId) && FInner.SpecialFolderPath(FolderId, Path);
  }
  bool InitializeObjects() override {
    Log.push_back("init");
    return FInner.InitializeObjects() && !FailInitialize;
  }
  void UninitializeObjects() override {
    Log.push_back("uninit");
    FInner.UninitializeObjects();
  }
  std::unique_ptr<platform::IShellLinkObject> CreateShellLink() override {
    Log.push_back("create");
    if (FailCreate) return nullptr;
    auto inner = FInner.CreateShellLink();
    return inner ? std::make_unique<Link>(*this, std::move(inner)) : nullptr;
  }
  bool OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) override {
    Log.push_back("open " + Url);
    return FInner.OpenUrl(OwnerWindow, Url, ShowState);
  }

 private:
  class File : public platform::IShellLinkFile {
   public:
    File(FakeShell& Owner, std::unique_ptr<platform::IShellLinkFile> Inner) : FOwner(Owner), FInner(std::move(Inner)) {}
    ~File() override { FOwner.Log.push_back("release file"); }
    bool Save(const std::string& Path) override {
      FOwner.Log.push_back("save " + Path);
      return !FOwner.FailSave && FInner->Save(Path);
    }

   private:
    FakeShell& FOwner;
    std::unique_ptr<platform::IShellLinkFile> FInner;
  };

  class Link : public platform::IShellLinkObject {
   public:
    Link(FakeShell& Owner, std::unique_ptr<platform::IShellLinkObject> Inner)
        : FOwner(Owner), FInner(std::move(Inner)) {}
    ~Link() override { FOwner.Log.push_back("release link"); }
    bool SetPath(const std::string& Target) override {
      FOwner.Log.push_back("path " + Target);
      return FInner->SetPath(Target);
    }
    bool SetDescription(const std::string& Description) override {
      FOwner.Log.push_back("description " + Description);
      return FInner->SetDescription(Description) && !FOwner.FailSetDescription;
    }
    bool SetShowCmd(int ShowCommand) override {
      FOwner.Log.push_back("show " + std::to_string(ShowCommand));
      return FInner->SetShowCmd(ShowCommand);
    }
    std::unique_ptr<platform::IShellLinkFile> QueryFile() override {
      FOwner.Log.push_back("query");
      if (FOwner.FailQueryFile) return nullptr;
      auto inner = FInner->QueryFile();
      return inner ? std::make_unique<File>(FOwner, std::move(inner)) : nullptr;
    }

   private:
    FakeShell& FOwner;
    std::unique_ptr<platform::IShellLinkObject> FInner;
  };

  platform::IShell& FInner;
};

}  // namespace testsupport
