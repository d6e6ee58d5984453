// Install runs that fail or are refused: what they leave behind (nothing of
// their own), the commands noted for the close, the check of the destination
// folder, and the folder a second run offers.
#include "app/destination.h"
#include "tests/app/wizard_fixture.h"
#include "tests/support/fake_filesystem.h"

namespace wizardtest {
namespace {

class FailedRunTest : public WizardTest {
 protected:
  FailedRunTest() : fake(files), fakeServices{fake, dialogs, registry, system, timers, cursor, peer, shell} {}
  // The windows (and their payload streams) go before the fake they use.
  ~FailedRunTest() override { app.reset(); }

  // The wizard on the fake file system, on the install page, installing
  // into Dest.
  TForm1* StartInstallingInto(const std::string& Dest) {
    TForm1* f = app->CreateForm<TForm1>(fakeServices);
    f->ShowForm();
    f->Notebook1->SetPageIndex(5);
    f->LabelDir->SetCaption(Dest);
    return f;
  }
  bool AnyWrite() const {
    for (const std::string& opened : fake.Opened)
      if (opened.rfind("w ", 0) == 0) return true;
    return false;
  }

  testsupport::FakeFileSystem fake;
  TServices fakeServices;
};

TEST_F(FailedRunTest, RunFailingAtAnyWriteTakesAwayItsFilesAndFoldersAndRewindsTheBar) {
  WriteProductInstaller();  // velto.exe 12 bytes, TideHub.EXE 14, search.ico 4, leggimi.txt 40000
  // A folder that exists, with a file of an earlier install in it, and one
  // the run has to make.
  files.ForceDirectories("c:\\esistente");
  testsupport::WriteFile(files.NativePath("c:\\esistente\\search.ico"), "vecchia");
  testsupport::WriteFile(files.NativePath("c:\\esistente\\mio.txt"), "dell'utente");
  TForm1* f = StartInstallingInto("c:\\nuova\\brovik\\agent");
  struct Case {
    long long bytesAccepted;  // the write that fails is the one past these bytes
    const char* dest;
    const char* iconAfter;  // in c:\esistente: the earlier file, as the run left it
  };
  const Case cases[] = {
      {0, "c:\\nuova\\brovik\\agent", nullptr},      // the first file
      {12, "c:\\nuova\\brovik\\agent", nullptr},     // the second, after velto.exe
      {20030, "c:\\nuova\\brovik\\agent", nullptr},  // inside the long file
      {0, "c:\\esistente", "vecchia"},               // nothing written over it yet
      {30, "c:\\esistente", "icon"},                 // overwritten, then the run failed
      {12, "c:\\esistente\\sotto\\dentro", "icon"},  // folders made inside one that existed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dest) + " after " + std::to_string(c.bytesAccepted) + " bytes");
    f->LabelDir->SetCaption(c.dest);
    fake.WriteLimit = c.bytesAccepted;
    dialogs.Boxes.clear();
    EXPECT_TRUE(peer.Click(*f->Button9));
    ASSERT_EQ(Form1, f);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Cannot read file"});
    EXPECT_FALSE(f->Installed());
    EXPECT_TRUE(f->PostInstallCommands().Items().empty());
    EXPECT_EQ(f->ProgressBar1->Position(), 0);
    EXPECT_FALSE(files.DirectoryExists("c:\\nuova"));
    EXPECT_FALSE(files.DirectoryExists("c:\\esistente\\sotto"));
    for (const char* name : {"velto.exe", "TideHub.EXE", "leggimi.txt"})
      EXPECT_FALSE(files.FileExists("c:\\esistente\\" + std::string(name))) << name;
    EXPECT_EQ(HostFile("c:\\esistente\\mio.txt"), "dell'utente");
    if (c.iconAfter) {
      EXPECT_EQ(HostFile("c:\\esistente\\search.ico"), c.iconAfter);
    }
  }
  EXPECT_EQ(fake.OpenStreams, 1);  // only the payload stays open
}

TEST_F(FailedRunTest, CommandsAtCloseAreThoseOfTheGoodRunAfterAFailedOne) {
  WriteProductInstaller();
  TForm1* f = StartInstallingInto("c:\\A");
  fake.WriteLimit = 26;  // velto.exe and TideHub.EXE written, then a failure
  peer.Click(*f->Button9);
  ASSERT_EQ(Form1, f);
  EXPECT_TRUE(f->PostInstallCommands().Items().empty());
  EXPECT_FALSE(files.DirectoryExists("c:\\A"));
  fake.WriteLimit = -1;
  f->LabelDir->SetCaption("c:\\B");
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  ASSERT_EQ(system.Started.size(), 1u);
  EXPECT_EQ(system.Started[0].CommandLine, "\"c:\\B\\TideHub.EXE\" /regserver");
  EXPECT_EQ(Record("RootDir"), "c:\\B\\velto.exe");
  EXPECT_EQ(HostFile("c:\\B\\velto.exe"), "main program");
}

TEST_F(FailedRunTest, DestinationThatIsNotAFullPathIsRefusedBeforeAnythingIsWritten) {
  WriteProductInstaller();
  TForm1* f = StartInstallingInto("");
  for (const char* dest : {"c;\\Velto", "Velto", "\\Velto", "c:Velto", ""}) {
    SCOPED_TRACE(dest);
    f->LabelDir->SetCaption(dest);
    dialogs.Boxes.clear();
    EXPECT_TRUE(peer.Click(*f->Button9));
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, NotFullPathMessage(dest));
    EXPECT_EQ(dialogs.Boxes[0].Flags, platform::mbOK | platform::mbIconError);
    EXPECT_EQ(f->Notebook1->PageIndex(), 5);
    EXPECT_FALSE(f->ProgressBar1->Visible());
    EXPECT_FALSE(AnyWrite());
    EXPECT_TRUE(cursor.Changes.empty());
  }
  // Corrected, it installs.
  f->LabelDir->SetCaption("c:\\Velto");
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(Record("RootDir"), "c:\\Velto\\velto.exe");
}

TEST_F(FailedRunTest, DestinationStartsAtTheInstalledFolderWhenTheRecordNamesOne) {
  struct Case {
    bool record;
    const char* rootDir;  // nullptr: no RootDir value
    const char* shown;
  };
  const Case cases[] = {
      {false, nullptr, kDefaultDest},
      {true, nullptr, kDefaultDest},
      {true, "d:\\Velto Due\\velto.exe", "d:\\Velto Due"},
      {true, "c:\\velto.exe", "c:\\"},
      {true, "c;\\Velto\\velto.exe", kDefaultDest},  // a relative path from an older run
      {true, "", kDefaultDest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rootDir ? c.rootDir : "(none)");
    registry.DeleteKey(kRecordRoot, kRecordKey);
    if (c.record) StoreRecord({{"Cognome", "Rossi"}});
    if (c.rootDir) StoreRecord({{"RootDir", c.rootDir}});
    TForm1* f = Start();
    EXPECT_EQ(f->LabelDir->Caption(), c.shown);
    delete f;
  }
  // A RootDir of another type offers nothing, and the window is still made.
  StoreRecord({});
  registry.SetNumber(kRecordRoot, kRecordKey, "RootDir", 7);
  TForm1* f = Start();
  EXPECT_EQ(f->LabelDir->Caption(), kDefaultDest);
}

}  // namespace
}  // namespace wizardtest
