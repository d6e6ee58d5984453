// A TMyShortCut with the installer's settings on the host emulation: link
// files through a logging shell, a fake registry that logs the keys it
// opens into the same log, files under a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/host_filesystem.h"
#include "platform/host/host_shell.h"
#include "shell/shortcut.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell.h"
#include "tests/support/temp_dir.h"

namespace shelltest {

inline constexpr const char* kTarget = "c:\\programmi\\brovik\\agent\\velto.exe";

// The fake registry, with "key <path>" added to Log at every OpenKey.
class LoggingRegistry : public testsupport::FakeRegistry {
 public:
  explicit LoggingRegistry(std::vector<std::string>& Log) : FLog(Log) {}
  std::unique_ptr<platform::IRegistryKey> OpenKey(platform::RootKey Root, const std::string& Path,
                                                  bool CanCreate) override {
    FLog.push_back("key " + Path);
    return FakeRegistry::OpenKey(Root, Path, CanCreate);
  }

 private:
  std::vector<std::string>& FLog;
};

class ShortCutTest : public ::testing::Test {
 protected:
  ShortCutTest() : files(temp.Path() + "/drives"), hostShell(files), shell(hostShell), registry(shell.Log) {
    s = std::make_unique<TMyShortCut>(nullptr, shell, registry, files);
    s->Tag = 50;
    s->ExeName = "velto.exe";
    s->FilePathName = kTarget;
    s->IconPathName = "c:\\programmi\\brovik\\agent\\search.ico";
    s->Descrizione = "Cerca con velto";
    s->MenuText = "Cerca con velto";
    s->LinkName = "Velto2003";
    s->GruppoProgrammiName = "Velto2003";
    s->DescrizioneExeInForder = "Velto";
    s->CreateDeskTopLink = s->CreateFolder = s->CreateToTrova = s->CreateToExplorer = s->CreateToAvvio = true;
  }

  void SetFlags(bool Avvio, bool Desktop, bool Folder, bool Trova, bool Explorer) {
    s->CreateToAvvio = Avvio;
    s->CreateDeskTopLink = Desktop;
    s->CreateFolder = Folder;
    s->CreateToTrova = Trova;
    s->CreateToExplorer = Explorer;
  }

  platform::HostShell::Link LinkAt(const std::string& Path) {
    platform::HostShell::Link link;
    if (!hostShell.ReadLink(Path, link)) link.Target = "<none>";
    return link;
  }

  static std::string DesktopLink() { return std::string(platform::HostShell::kDesktopFolder) + "\\Velto2003.lnk"; }
  static std::string StartMenuLink() {
    return std::string(platform::HostShell::kStartMenuFolder) + "\\Velto2003\\velto.exe.lnk";
  }
  static std::string ProgramsLink() {
    return std::string(platform::HostShell::kProgramsFolder) + "\\Velto2003\\velto.exe.lnk";
  }

  testsupport::TempDir temp;
  platform::HostFileSystem files;
  platform::HostShell hostShell;
  testsupport::FakeShell shell;
  LoggingRegistry registry;
  std::unique_ptr<TMyShortCut> s;
};

}  // namespace shelltest
