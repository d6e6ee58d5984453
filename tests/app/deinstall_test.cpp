// "Disinstalla Velto2005": the record goes first, then links, registry
// entries, files and folder.
#include "app/wizard_texts.h"
#include "tests/app/wizard_fixture.h"

namespace wizardtest {
namespace {

using platform::RootKey;

const std::string kExe = std::string(kDefaultDest) + "\\velto.exe";
const std::string kGroupLink = "\\Velto2003\\velto.exe.lnk";
const std::string kButtonKey =
    "\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}";
const std::string kFindKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\FindExtensions\\Static\\velto.exe";

class DeinstallTest : public WizardTest {
 protected:
  // An install as the first run makes it: the product's seven files in the
  // default folder, the links and registry entries, the record.
  TForm1* InstallThenStartAgain() {
    std::vector<FileSpec> payload;
    for (const char* name : kProductFiles) payload.push_back({name, kDate2005, std::string("data of ") + name});
    WriteInstaller("2005 1.0.0.0", payload);
    TForm1* first = Start();
    first->Notebook1->SetPageIndex(5);
    peer.Click(*first->Button9);
    EXPECT_TRUE(WizardGone());
    app = std::make_unique<TApplication>(peer, dialogs);
    app->Title = "Velto2005";
    dialogs.Boxes.clear();
    return Start();
  }
  // What the install leaves and the uninstallation must take away.
  struct Traces {
    bool Record, DesktopLink, StartMenuLink, ProgramsLink, Button, Find, Folder;
  };
  Traces Look() {
    return {registry.HasKey(kRecordRoot, kRecordKey),
            files.FileExists(DesktopLinkPath()),
            files.FileExists(platform::HostShell::kStartMenuFolder + kGroupLink),
            files.FileExists(platform::HostShell::kProgramsFolder + kGroupLink),
            registry.HasKey(RootKey::LocalMachine, kButtonKey),
            registry.StringAt(RootKey::LocalMachine, kFindKey, "") != "<missing>",
            files.DirectoryExists(kDefaultDest)};
  }
};

TEST_F(DeinstallTest, RemovesEverythingTheInstallMadeButTheMakersKey) {
  TForm1* f = InstallThenStartAgain();
  Traces before = Look();
  ASSERT_TRUE(before.Record && before.DesktopLink && before.StartMenuLink && before.ProgramsLink && before.Button &&
              before.Find && before.Folder);
  ASSERT_TRUE(f->Button14->Enabled());
  EXPECT_TRUE(peer.Click(*f->Button14));
  Traces after = Look();
  EXPECT_FALSE(after.Record);
  EXPECT_FALSE(after.DesktopLink);
  EXPECT_FALSE(after.StartMenuLink);
  EXPECT_FALSE(after.ProgramsLink);
  EXPECT_FALSE(files.DirectoryExists(std::string(platform::HostShell::kProgramsFolder) + "\\Velto2003"));
  EXPECT_FALSE(after.Button);
  EXPECT_FALSE(after.Find);
  EXPECT_FALSE(after.Folder);
  EXPECT_TRUE(registry.HasKey(kRecordRoot, "\\SOFTWARE\\BROVIK"));
  EXPECT_EQ(f->ProgressBar2->Position(), 10);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "Velto è stato disinstallato");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Velto2005");
  EXPECT_EQ(dialogs.Boxes[0].Flags, 0u);
  EXPECT_TRUE(f->Uninstalled());
  EXPECT_TRUE(f->Button2->Enabled());
  EXPECT_TRUE(f->Button14->Enabled());
  EXPECT_EQ(f->Notebook1->PageIndex(), 0);
  EXPECT_EQ(Form1, f);
}

TEST_F(DeinstallTest, FilesNotInTheListKeepTheFolder) {
  TForm1* f = InstallThenStartAgain();
  testsupport::WriteFile(files.NativePath(std::string(kDefaultDest) + "\\note.txt"), "mine");
  peer.Click(*f->Button14);
  EXPECT_FALSE(files.FileExists(kExe));
  EXPECT_EQ(HostFile(std::string(kDefaultDest) + "\\note.txt"), "mine");
  EXPECT_EQ(f->ProgressBar2->Position(), 10);
}

TEST_F(DeinstallTest, RecordWithoutRootDirDeletesNoFileFromTheCurrentFolder) {
  WriteProductInstaller();
  StoreRecord({{"Cognome", "Rossi"}});
  // A bare name would be taken from the current folder (the download
  // folder): asking about one fails the run, with its own message.
  for (const char* name : kProductFiles) files.ThrowOnExists.insert(name);
  TForm1* f = Start();
  peer.Click(*f->Button14);
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_EQ(f->MyShortCut1->FilePathName, "");
  EXPECT_EQ(f->ProgressBar2->Position(), 10);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Velto è stato disinstallato"}));
}

TEST_F(DeinstallTest, RecordThatCannotBeOpenedIsAnErrorAndRemovesNothing) {
  TForm1* f = InstallThenStartAgain();
  registry.MakeUnopenable(kRecordKey);
  peer.Click(*f->Button14);
  Traces after = Look();
  EXPECT_TRUE(after.Record && after.DesktopLink && after.StartMenuLink && after.ProgramsLink && after.Button &&
              after.Find && after.Folder);
  EXPECT_TRUE(files.FileExists(kExe));
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, std::string(kDeinstallRefusedMessage) + "Access denied.");
  EXPECT_EQ(dialogs.Boxes[0].Flags, platform::mbOK | platform::mbIconError);
  EXPECT_EQ(f->ProgressBar2->Position(), 0);
  EXPECT_TRUE(f->Button2->Enabled());
}

TEST_F(DeinstallTest, FailedFileRemovalIsShownAndLeavesForwardButtonDisabled) {
  TForm1* f = InstallThenStartAgain();
  files.ThrowOnExists.insert(std::string(kDefaultDest) + "\\velto.dat");  // the third entry
  peer.Click(*f->Button14);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Errore cancellazione ditta"}));
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_FALSE(files.FileExists(DesktopLinkPath()));
  EXPECT_FALSE(files.FileExists(kExe));
  EXPECT_TRUE(files.FileExists(std::string(kDefaultDest) + "\\motori.dat"));
  EXPECT_TRUE(files.DirectoryExists(kDefaultDest));
  EXPECT_EQ(f->ProgressBar2->Position(), 2 + 3);
  EXPECT_FALSE(f->Button2->Enabled());
  EXPECT_FALSE(f->Busy());
}

TEST_F(DeinstallTest, SecondPressFindsNoKeyAndShowsTheMessageAgain) {
  TForm1* f = InstallThenStartAgain();
  peer.Click(*f->Button14);
  shell.Log.clear();
  peer.Click(*f->Button14);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Velto è stato disinstallato", "Velto è stato disinstallato"}));
  EXPECT_TRUE(shell.Log.empty());  // no link operation the second time
  EXPECT_EQ(f->ProgressBar2->Position(), 10);
}

TEST_F(DeinstallTest, ReenablesForwardButtonThatTheGateHadDisabled) {
  WriteProductInstaller();
  StoreRecord({{"RootDir", "c:\\a\\velto.exe"}});
  TForm1* f = Start();
  TickConnection(true);
  TickConnection(false);
  ASSERT_FALSE(f->Button2->Enabled());
  peer.Click(*f->Button14);
  EXPECT_TRUE(f->Button2->Enabled());
}

TEST_F(DeinstallTest, ClosingAfterUninstallationWritesNothing) {
  WriteProductInstaller();
  StoreRecord({{"RootDir", "c:\\a\\velto.exe"}});
  TForm1* f = Start();
  peer.Click(*f->Button14);
  peer.Click(*f->Button3);
  EXPECT_TRUE(WizardGone());
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_TRUE(system.Started().empty());
}

}  // namespace
}  // namespace wizardtest
