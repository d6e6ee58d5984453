// Install runs that fail or are refused: what they leave behind (nothing of
// their own: no file, link or registry row, and an earlier installation as it
// was), the commands noted for the close, the check of the destination
// folder, and the folder a second run offers.
#include "app/destination.h"
#include "tests/app/wizard_fixture.h"
#include "tests/support/fake_filesystem.h"

namespace wizardtest {
namespace {

class FailedRunTest : public WizardTest {
 protected:
  FailedRunTest()
      : fake(files), fakeServices{fake, dialogs, registry, system, timers, cursor, peer, shell, mail, sockets} {}
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

// A failed run: the shape of the failure and the boxes it shows.
struct FailedRun {
  const char* what;
  bool installedBefore;      // a good installation into the default folder first
  const char* blocked;       // a payload file with a folder in its place, or nullptr
  const char* failingValue;  // a registry value CreateLink cannot write (lower case), or nullptr
  std::vector<std::string> boxes;
};

class FailedRunTraces : public FailedRunTest, public ::testing::WithParamInterface<FailedRun> {
 protected:
  // Everything a run may write besides its files: the whole registry (the
  // record included) and the link files with their folders.
  std::string Traces() {
    std::string traces = registry.Dump();
    const std::string group = "\\Velto2003";
    for (const std::string& folder : {std::string(platform::HostShell::kStartMenuFolder) + group,
                                      std::string(platform::HostShell::kProgramsFolder) + group})
      traces += "\n" + folder + (files.DirectoryExists(folder) ? " exists" : " missing");
    for (const std::string& link :
         {DesktopLinkPath(), std::string(platform::HostShell::kStartMenuFolder) + group + "\\velto.exe.lnk",
          std::string(platform::HostShell::kProgramsFolder) + group + "\\velto.exe.lnk"})
      traces += "\n" + link + ": " + (files.FileExists(link) ? HostFile(link) : "<none>");
    return traces;
  }
};

TEST_P(FailedRunTraces, FailedRunLeavesEveryLinkAndRegistryRowAsItWas) {
  const FailedRun& c = GetParam();
  WriteProductInstaller();  // velto.exe 12 bytes first: the links come with it
  if (c.installedBefore) {
    TForm1* first = StartInstallingInto(kDefaultDest);
    peer.Click(*first->Button9);
    ASSERT_TRUE(WizardGone());
    app = std::make_unique<TApplication>(peer, dialogs);
    app->Title = "Velto2005";
  }
  const std::string before = Traces();
  if (c.blocked) files.ForceDirectories(std::string("c:\\altro\\") + c.blocked);
  TForm1* f = StartInstallingInto("c:\\altro");
  if (c.failingValue) registry.FailingWrites.insert(c.failingValue);
  dialogs.Boxes.clear();
  EXPECT_TRUE(peer.Click(*f->Button9));
  ASSERT_EQ(Form1, f);
  EXPECT_FALSE(f->Installed());
  EXPECT_EQ(BoxTexts(), c.boxes);
  EXPECT_EQ(Traces(), before);
  EXPECT_FALSE(files.FileExists("c:\\altro\\velto.exe"));
  if (c.installedBefore) {
    EXPECT_EQ(HostFile(std::string(kDefaultDest) + "\\velto.exe"), "main program");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FailedRunTraces,
    ::testing::Values(
        FailedRun{"SecondRunFailingAtTheMainProgram", true, "velto.exe", nullptr, {"Cannot read file"}},
        FailedRun{"SecondRunFailingAfterTheMainProgram", true, "search.ico", nullptr, {"Cannot read file"}},
        FailedRun{"SecondRunWhoseLinksCannotWriteARow", true, nullptr, "hoticon", {"Failed to set data for 'HotIcon'"}},
        FailedRun{"FirstRunFailingAtTheMainProgram", false, "velto.exe", nullptr, {"Cannot read file"}},
        FailedRun{"FirstRunFailingAfterTheMainProgram", false, "search.ico", nullptr, {"Cannot read file"}},
        FailedRun{"FirstRunWhoseLinksCannotWriteARow", false, nullptr, "path", {"Failed to set data for 'Path'"}}),
    [](const ::testing::TestParamInfo<FailedRun>& Info) { return std::string(Info.param.what); });

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
  ASSERT_EQ(system.Started().size(), 1u);
  EXPECT_EQ(system.Started()[0].CommandLine, "\"c:\\B\\TideHub.EXE\" /regserver");
  EXPECT_EQ(Record("RootDir"), "c:\\B\\velto.exe");
  EXPECT_EQ(HostFile("c:\\B\\velto.exe"), "main program");
  // The icon path is made anew from the stored name.
  EXPECT_EQ(ButtonValue("Icon"), "c:\\B\\search.ico");
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
    EXPECT_TRUE(cursor.History().empty());
  }
  // Corrected, it installs.
  f->LabelDir->SetCaption("c:\\Velto");
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(Record("RootDir"), "c:\\Velto\\velto.exe");
}

TEST_F(FailedRunTest, DestinationStartsAtTheInstalledFolderWhenTheRecordNamesOne) {
  WriteProductInstaller();
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
