// A velto-arc console over the host file system in a test folder, on a
// terminal whose typed answers come from the test.
#pragma once

#include <functional>
#include <string>

#include "platform/host/host_filesystem.h"
#include "tools/console.h"

namespace testarc {

// A console on a terminal whose answers come from the test.
class ScriptedConsole : public arc::IConsole {
 public:
  explicit ScriptedConsole(std::string Dir) : FDir(std::move(Dir)) {}
  platform::IFileSystem& Files() override { return FFiles; }
  std::string ComponentPath(const std::string& Path) override {
    return platform::HostFileSystem::WindowsPathOf(Path[0] == '/' ? Path : FDir + "/" + Path);
  }
  std::string DisplayPath(const std::string& Path) override { return FFiles.NativePath(Path); }
  std::string CurrentFolder() override { return ComponentPath(FDir); }
  bool ErrIsTerminal() override { return true; }
  bool InIsTerminal() override { return true; }
  std::string ToTerminal(const std::string& Text) override { return Text; }
  bool FromTerminal(const std::string& Typed, std::string& Text) override {
    Text = Typed;
    return true;
  }
  bool ReadLine(std::string& Line) override {
    ++Prompts;
    return OnReadLine ? OnReadLine(Line) : false;
  }
  int Processors() override { return 2; }

  std::function<bool(std::string&)> OnReadLine;
  int Prompts = 0;

 private:
  std::string FDir;
  platform::HostFileSystem FFiles;
};

}  // namespace testarc
