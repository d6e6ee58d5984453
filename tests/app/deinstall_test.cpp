// "Disinstalla Velto2005": the record goes first, then links and files.
#include "tests/app/wizard_fixture.h"

namespace wizardtest {
namespace {

class DeinstallTest : public WizardTest {};

TEST_F(DeinstallTest, RemovesRecordThenLinksThenFilesOfTheStoredExecutable) {
  WriteProductInstaller();
  const std::string exe = std::string(kDefaultDest) + "\\velto.exe";
  StoreRecord({{"RootDir", exe}, {"version", "v"}, {"Cognome", "Rossi"}});
  TForm1* f = Start();
  ASSERT_TRUE(f->Button14->Enabled());
  EXPECT_TRUE(peer.Click(*f->Button14));
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_TRUE(registry.HasKey(kRecordRoot, "\\SOFTWARE\\BROVIK"));
  const auto& calls = f->MyShortCut1->Calls;
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Operation, "RemoveLink");
  EXPECT_EQ(calls[0].FilePathName, exe);
  EXPECT_EQ(calls[1].Operation, "RemoveCartella");
  EXPECT_EQ(calls[1].Path, exe);
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

TEST_F(DeinstallTest, RecordWithoutRootDirGivesEmptyPaths) {
  WriteProductInstaller();
  StoreRecord({{"Cognome", "Rossi"}});
  TForm1* f = Start();
  peer.Click(*f->Button14);
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  ASSERT_EQ(f->MyShortCut1->Calls.size(), 2u);
  EXPECT_EQ(f->MyShortCut1->FilePathName, "");
  EXPECT_EQ(f->MyShortCut1->Calls[1].Path, "");
}

TEST_F(DeinstallTest, SecondPressFindsNoKeyAndShowsTheMessageAgain) {
  WriteProductInstaller();
  StoreRecord({{"RootDir", "c:\\a\\velto.exe"}});
  TForm1* f = Start();
  peer.Click(*f->Button14);
  peer.Click(*f->Button14);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Velto è stato disinstallato", "Velto è stato disinstallato"}));
  EXPECT_EQ(f->MyShortCut1->Calls.size(), 2u);  // nothing removed the second time
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
  EXPECT_TRUE(system.Started.empty());
}

}  // namespace
}  // namespace wizardtest
