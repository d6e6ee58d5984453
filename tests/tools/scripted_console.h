// A velto-arc console over the host file system in a test folder, on a
// terminal whose typed answers come from the test.
#pragma once

#include <functional>
#include <string>

#include "platform/host/host_filesystem.h"
#include "platform/host/host_folder_walk.h"
#include "tools/console.h"
#include "tools/cp1252.h"

namespace testarc {

// A console on a terminal whose answers come from the test.
class ScriptedConsole : public arc::IConsole {
 public:
  explicit ScriptedConsole(std::string Dir) : FDir(std::move(Dir)) {}
  platform::IFileSystem& Files() override { return FFiles; }
  platform::IFolderWalk& Folders() override { return FWalk; }
  std::string ComponentPath(const std::string& Path) override {
    return platform::HostFileSystem::WindowsPathOf(Path[0] == '/' ? Path : FDir + "/" + Path);
  }
  std::string DisplayPath(const std::string& Path) override { return FFiles.NativePath(Path); }
  std::string CurrentFolder() override { return ComponentPath(FDir); }
  bool ErrIsTerminal() override { return true; }
  bool InIsTerminal() override { return true; }
  // With Utf8, text and file names are UTF-8, as under a UTF-8 locale.
  std::string ToTerminal(const std::string& Text) override { return Utf8 ? arc::Utf8FromCp1252(Text) : Text; }
  bool FromTerminal(const std::string& Typed, std::string& Text) override {
    if (Utf8) return arc::Cp1252FromUtf8(Typed, Text);
    Text = Typed;
    return true;
  }
  bool SystemName(const std::string& Stored, std::string& Name) override {
    Name = ToTerminal(Stored);
    return true;
  }
  bool StoredName(const std::string& Name, std::string& Stored) override { return FromTerminal(Name, Stored); }
  bool ReadLine(std::string& Line) override {
    ++Prompts;
    return OnReadLine ? OnReadLine(Line) : false;
  }
  int Processors() override { return 2; }

  std::function<bool(std::string&)> OnReadLine;
  int Prompts = 0;
  bool Utf8 = false;

 private:
  std::string FDir;
  platform::HostFileSystem FFiles;
  platform::HostFolderWalk FWalk{FFiles};
};

}  // namespace testarc
