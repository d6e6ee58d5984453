// A wizard on the headless peer with fake services, and an installer image
// (a stand-in program image, an archive assembled byte by byte in the test,
// the payload trailer) for it to find at start-up.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/installer_record.h"
#include "app/services.h"
#include "app/unit1.h"
#include "platform/host/host_filesystem.h"
#include "platform/host/host_mail.h"
#include "platform/host/host_shell.h"
#include "platform/host/host_ui.h"
#include "runtime/exceptions.h"
#include "tests/archive/archive_builder.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell.h"
#include "tests/support/fake_sockets.h"
#include "tests/support/fake_system.h"
#include "tests/support/temp_dir.h"
#include "ui/application.h"
#include "ui/headless_peer.h"

namespace wizardtest {

using testarchive::FileSpec;
using testarchive::kDate2005;

// The host file system with a chosen current folder (a Windows path).
class TestFileSystem : public platform::HostFileSystem {
 public:
  using platform::HostFileSystem::HostFileSystem;
  std::string GetCurrentDir() override { return CurrentDir; }
  // FileExists of these paths throws, as a file system that fails would.
  bool FileExists(const std::string& Path) override {
    if (ThrowOnExists.count(Path)) throw Exception("I/O error");
    return platform::HostFileSystem::FileExists(Path);
  }
  std::string CurrentDir = "c:\\lavoro";
  std::set<std::string> ThrowOnExists;
};

inline constexpr const char* kInstallerPath = "c:\\download\\setup.exe";
inline constexpr const char* kDefaultDest = "c:\\programmi\\brovik\\agent";

class WizardTest : public ::testing::Test {
 protected:
  WizardTest()
      : files(temp.Path() + "/drives"),
        hostShell(files),
        shell(hostShell),
        mail(registry),
        sockets(hostSockets),
        services{files, dialogs, registry, system, timers, cursor, peer, shell, mail, sockets},
        app(std::make_unique<TApplication>(peer, dialogs)) {
    app->Title = "Velto2005";
    files.ForceDirectories("c:\\download");
    files.ForceDirectories(files.CurrentDir);
    system.ProgramPathValue = kInstallerPath;
  }

  // An installer whose payload holds Files under Title.
  void WriteInstaller(const std::string& Title, const std::vector<FileSpec>& Files) {
    WriteInstallerBytes(testarchive::MakeArchive(Title, Files));
  }
  // An installer whose payload is Archive, as given.
  void WriteInstallerBytes(const std::string& Archive) {
    std::string image = "MZ" + std::string(1022, '\x90');  // stands for the program image
    std::string bytes = image + Archive;
    uint32_t offset = static_cast<uint32_t>(image.size());
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(offset >> (8 * i)));
    testsupport::WriteFile(files.NativePath(kInstallerPath), bytes);
  }
  // The usual payload: the main executable stored under another machine's
  // path, the server, the icon and a text file.
  void WriteProductInstaller() {
    WriteInstaller("2005 1.0.0.0", {{"d:\\build\\bin\\velto.exe", kDate2005, "main program"},
                                    {"server\\TideHub.EXE", kDate2005, "server program"},
                                    {"search.ico", kDate2005, "icon"},
                                    {"docs\\leggimi.txt", kDate2005, std::string(40000, 'x')}});
  }

  // Creates the wizard as the application's main form and shows it.
  TForm1* Start() {
    TForm1* form = app->CreateForm<TForm1>(services);
    form->ShowForm();
    return form;
  }

  // The wizard is gone (closed and freed) and the application ends.
  bool WizardGone() const { return Form1 == nullptr && app->MainForm() == nullptr && app->Terminated(); }

  std::string HostFile(const std::string& WindowsPath) { return testsupport::ReadFile(files.NativePath(WindowsPath)); }

  std::string Record(const std::string& Name) const { return registry.StringAt(kRecordRoot, kRecordKey, Name); }
  void StoreRecord(const std::vector<std::pair<std::string, std::string>>& Values) {
    registry.MakeKey(kRecordRoot, kRecordKey);
    for (const auto& [name, text] : Values) registry.SetString(kRecordRoot, kRecordKey, name, text);
  }

  // The link file at WindowsPath read back; Target "<none>" when there is none.
  platform::HostShell::Link LinkAt(const std::string& WindowsPath) {
    platform::HostShell::Link link;
    if (!hostShell.ReadLink(WindowsPath, link)) link.Target = "<none>";
    return link;
  }
  static std::string DesktopLinkPath(const std::string& LinkName = "Velto2003") {
    return std::string(platform::HostShell::kDesktopFolder) + "\\" + LinkName + ".lnk";
  }
  // A value of the browser toolbar button's key.
  std::string ButtonValue(const std::string& Name) const {
    return registry.StringAt(
        platform::RootKey::LocalMachine,
        "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}", Name);
  }
  // Makes the own host name resolve to a public address (Online) or only to
  // the loopback address, and lets the detector's timer tick once.
  void TickConnection(bool Online) {
    sockets.Answer = std::vector<std::string>{Online ? "192.168.1.5" : "127.0.0.1"};
    timers.FireAll();
  }

  // Message box texts shown so far.
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : dialogs.Boxes) texts.push_back(b.Text);
    return texts;
  }

  testsupport::TempDir temp;
  TestFileSystem files;
  testsupport::FakeDialogs dialogs;
  testsupport::FakeRegistry registry;
  testsupport::FakeSystem system;
  platform::HostTimers timers;
  platform::HostCursor cursor;
  HeadlessPeer peer;
  platform::HostShell hostShell;
  testsupport::FakeShell shell;
  platform::HostSimpleMapi mail;
  platform::HostSockets hostSockets;
  testsupport::FakeSockets sockets;
  TServices services;
  std::unique_ptr<TApplication> app;
};

}  // namespace wizardtest
