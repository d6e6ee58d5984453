// The install run: "Installa", the per-file and progress handlers, the
// success box, the close with its post-install commands and record write.
#include <algorithm>

#include "tests/app/wizard_fixture.h"

namespace wizardtest {
namespace {

class InstallRunTest : public WizardTest {
 protected:
  // Starts the wizard and walks it to the install page.
  TForm1* StartOnInstallPage() {
    TForm1* f = Start();
    f->Notebook1->SetPageIndex(5);
    return f;
  }
  std::string Dest(const std::string& Name) const { return std::string(kDefaultDest) + "\\" + Name; }
};

TEST_F(InstallRunTest, InstallaExtractsFlatShowsSuccessAndCloses) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  f->Edit1->SetText("Rossi");
  EXPECT_TRUE(peer.Click(*f->Button9));

  // Files land flat in the destination, created by the run.
  EXPECT_EQ(HostFile(Dest("velto.exe")), "main program");
  EXPECT_EQ(HostFile(Dest("TideHub.EXE")), "server program");
  EXPECT_EQ(HostFile(Dest("search.ico")), "icon");
  EXPECT_EQ(HostFile(Dest("leggimi.txt")), std::string(40000, 'x'));
  EXPECT_FALSE(files.DirectoryExists(Dest("server")));
  EXPECT_FALSE(files.DirectoryExists("d:\\build"));

  // The success box, then the window closed and freed.
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "Lanciare il programma dall'icona sul desktop");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Installazione conclusa con successo");
  EXPECT_EQ(dialogs.Boxes[0].Flags, 0u);
  EXPECT_TRUE(WizardGone());

  // The hourglass during the run only.
  EXPECT_EQ(cursor.History(), (std::vector<bool>{true, false}));
}

TEST_F(InstallRunTest, ProgressBarAppearsAndEndsAtHundredRepaintedAtOnceWhenItMoves) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  EXPECT_FALSE(f->ProgressBar1->Visible());
  std::vector<int> seen;
  bool visibleDuring = false;
  int repaintsWrong = 0;
  int unmoved = 0;
  auto handler = f->BackupFile1->OnProgress;
  f->BackupFile1->OnProgress = [&](TObject* S, const std::string& N, TPercentage P, bool& C) {
    int before = peer.Repaints[Form1->ProgressBar1];
    const bool moves = Form1->ProgressBar1->Position() != P;
    unmoved += moves ? 0 : 1;
    handler(S, N, P, C);
    // An event that moves the bar paints it before returning; one that
    // leaves it in place paints nothing.
    if (peer.Repaints[Form1->ProgressBar1] != before + (moves ? 1 : 0)) ++repaintsWrong;
    EXPECT_EQ(Form1->ProgressBar1->Position(), P);
    seen.push_back(P);
    visibleDuring = visibleDuring || Form1->ProgressBar1->Visible();
  };
  // Hold the window open after the run to look at the bar.
  f->OnCloseQuery = [](TObject*, bool& CanClose) { CanClose = false; };
  peer.Click(*f->Button9);
  EXPECT_TRUE(visibleDuring);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(f->ProgressBar1->Position(), 100);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_EQ(repaintsWrong, 0);
  EXPECT_GT(unmoved, 0);
}

TEST_F(InstallRunTest, MessagesAreHandledAtTheEndOfEveryFile) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  // The files restored so far, at each pass of the message pump.
  std::vector<int> restoredAtPass;
  peer.OnProcessMessages = [&] {
    if (Form1) restoredAtPass.push_back(Form1->BackupFile1->RestoredCount());
  };
  peer.Click(*f->Button9);
  ASSERT_TRUE(WizardGone());
  for (int n = 1; n <= 4; ++n)
    EXPECT_NE(std::find(restoredAtPass.begin(), restoredAtPass.end(), n), restoredAtPass.end()) << n;
}

TEST_F(InstallRunTest, ServerEntryInAnyCaseAddsOneQuotedRegistrationCommand) {
  WriteInstaller("2005 1.0.0.0", {{"velto.exe", kDate2005, "m"}, {"bin\\tIdEhUb.ExE", kDate2005, "s"}});
  TForm1* f = StartOnInstallPage();
  std::vector<std::string> commands;
  peer.OnProcessMessages = [&] {
    if (Form1) commands = Form1->PostInstallCommands().Items();
  };
  std::string recordAtStart = "<unset>";
  system.OnStartCommand = [&](const std::string&) { recordAtStart = Record("RootDir"); };
  peer.Click(*f->Button9);
  EXPECT_EQ(commands, std::vector<std::string>{"\"" + Dest("tIdEhUb.ExE") + "\" /regserver"});
  ASSERT_EQ(system.Started().size(), 1u);
  EXPECT_EQ(system.Started()[0].CommandLine, "\"c:\\programmi\\brovik\\agent\\tIdEhUb.ExE\" /regserver");
  EXPECT_EQ(system.Started()[0].ShowState, 1);
  // Started before the record was written.
  EXPECT_EQ(recordAtStart, "<missing>");
  EXPECT_EQ(Record("RootDir"), Dest("velto.exe"));
}

TEST_F(InstallRunTest, PayloadWithoutServerStartsNothingAtClose) {
  WriteInstaller("t", {{"velto.exe", kDate2005, "m"}, {"tidehub.dll", kDate2005, "x"}});
  TForm1* f = StartOnInstallPage();
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  EXPECT_TRUE(system.Started().empty());
  EXPECT_EQ(Record("version"), "t");
}

TEST_F(InstallRunTest, MainExecutableMakesTheLinksWithFullPathsBeforeItIsWritten) {
  WriteInstaller("t", {{"c:\\altra\\macchina\\VELTO.EXE", kDate2005, "m"}, {"search.ico", kDate2005, "i"}});
  TForm1* f = StartOnInstallPage();
  // Look right after the wizard's per-file handler, before the component writes.
  std::string linkTargetThen;
  bool exeOnDiskThen = true;
  auto handler = f->BackupFile1->OnRestoreFile;
  f->BackupFile1->OnRestoreFile = [&](TObject* S, std::string& Name, int32_t FA, bool& Do) {
    handler(S, Name, FA, Do);
    if (Name == Dest("VELTO.EXE")) {
      linkTargetThen = LinkAt(DesktopLinkPath()).Target;
      exeOnDiskThen = files.FileExists(Name);
    }
  };
  peer.Click(*f->Button9);
  EXPECT_EQ(linkTargetThen, Dest("VELTO.EXE"));
  EXPECT_FALSE(exeOnDiskThen);
  EXPECT_EQ(ButtonValue("Exec"), Dest("VELTO.EXE"));
  EXPECT_EQ(ButtonValue("Icon"), Dest("search.ico"));
}

TEST_F(InstallRunTest, IconPathIsMadeFromTheStoredNameForEachMatchingEntry) {
  // Two entries with the main executable's base name: two matches, each
  // with the icon in the destination, and the later file wins on disk.
  WriteInstaller("t", {{"a\\velto.exe", kDate2005, "first"}, {"b\\velto.exe", kDate2005, "second"}});
  TForm1* f = StartOnInstallPage();
  std::vector<std::string> icons;
  auto handler = f->BackupFile1->OnRestoreFile;
  f->BackupFile1->OnRestoreFile = [&](TObject* S, std::string& Name, int32_t FA, bool& Do) {
    handler(S, Name, FA, Do);
    icons.push_back(ButtonValue("Icon"));
  };
  peer.Click(*f->Button9);
  EXPECT_EQ(icons, (std::vector<std::string>{Dest("search.ico"), Dest("search.ico")}));
  EXPECT_EQ(HostFile(Dest("velto.exe")), "second");
}

TEST_F(InstallRunTest, EmptyIconPathStaysEmptyAndLinksAreStillMade) {
  WriteInstaller("t", {{"velto.exe", kDate2005, "m"}});
  TForm1* f = StartOnInstallPage();
  f->MyShortCut1->IconPathName = "";
  peer.Click(*f->Button9);
  EXPECT_EQ(ButtonValue("Icon"), "");
  EXPECT_EQ(LinkAt(DesktopLinkPath()).Target, Dest("velto.exe"));
}

TEST_F(InstallRunTest, OnlyComponentsWithTagFiftyAndTheSameExeNameMakeLinks) {
  WriteInstaller("t", {{"velto.exe", kDate2005, "m"}, {"other.exe", kDate2005, "o"}});
  TForm1* f = StartOnInstallPage();
  auto* untagged = new TMyShortCut(f, shell, registry, files);  // Tag 0, same ExeName
  untagged->ExeName = "velto.exe";
  untagged->LinkName = "untagged";
  untagged->CreateDeskTopLink = true;
  auto* other = new TMyShortCut(f, shell, registry, files);  // Tag 50, another ExeName
  other->Tag = 50;
  other->ExeName = "OTHER.exe";
  other->LinkName = "other";
  other->CreateDeskTopLink = true;
  peer.Click(*f->Button9);
  EXPECT_EQ(LinkAt(DesktopLinkPath()).Target, Dest("velto.exe"));
  EXPECT_EQ(LinkAt(DesktopLinkPath("untagged")).Target, "<none>");
  EXPECT_EQ(LinkAt(DesktopLinkPath("other")).Target, Dest("other.exe"));
}

TEST_F(InstallRunTest, ExeNameMatchingUpperCasesAccentedLettersToo) {
  WriteInstaller("t", {{"CITTÀ.EXE", kDate2005, "m"}});
  TForm1* f = StartOnInstallPage();
  f->MyShortCut1->ExeName = "città.exe";
  peer.Click(*f->Button9);
  EXPECT_EQ(LinkAt(DesktopLinkPath()).Target, Dest("CITTÀ.EXE"));
}

TEST_F(InstallRunTest, DestinationWithTrailingBackslashIsUsedWithoutIt) {
  struct Case {
    const char* typed;
    const char* program;  // the file written, and what the record and the links name
  };
  const Case cases[] = {
      {"c:\\nuova\\cartella\\", "c:\\nuova\\cartella\\velto.exe"},
      {"c:\\nuova\\cartella\\\\", "c:\\nuova\\cartella\\velto.exe"},
      {"c:\\", "c:\\velto.exe"},  // a drive's root keeps its backslash
  };
  WriteInstaller("t", {{"velto.exe", kDate2005, "m"}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    app = std::make_unique<TApplication>(peer, dialogs);
    TForm1* f = StartOnInstallPage();
    f->LabelDir->SetCaption(c.typed);
    std::string target;
    f->BackupFile1->OnFileRestored = [&](TObject*, std::string& Name, TFileStream*&) { target = Name; };
    peer.Click(*f->Button9);
    ASSERT_TRUE(WizardGone());
    EXPECT_EQ(target, c.program);
    EXPECT_EQ(Record("RootDir"), c.program);
    EXPECT_EQ(LinkAt(DesktopLinkPath()).Target, c.program);
    EXPECT_EQ(ButtonValue("Exec"), c.program);
    EXPECT_EQ(HostFile(c.program), "m");
  }
}

TEST_F(InstallRunTest, CloseWritesTheTenRecordValuesInOrder) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  f->Edit1->SetText("Rossi");
  f->Edit2->SetText("Mario");
  f->Edit7->SetText(" Via Roma 1 ");
  f->Edit3->SetText("Città");
  f->Edit4->SetText("");
  f->Edit5->SetText("42");
  f->Edit6->SetText("333");
  f->CheckBox1->SetChecked(false);
  f->CheckBox2->SetChecked(true);
  peer.Click(*f->Button9);
  ASSERT_TRUE(WizardGone());
  const auto& key = registry.KeyAt(kRecordRoot, kRecordKey);
  EXPECT_EQ(key.WriteOrder, (std::vector<std::string>{"RootDir", "version", "Cognome", "Nome", "Indirizzo", "Citta",
                                                      "Prov", "Eta", "Tel", "Maschio"}));
  EXPECT_EQ(Record("RootDir"), "c:\\programmi\\brovik\\agent\\velto.exe");
  EXPECT_EQ(Record("version"), "2005 1.0.0.0");
  EXPECT_EQ(Record("Cognome"), "Rossi");
  EXPECT_EQ(Record("Nome"), "Mario");
  EXPECT_EQ(Record("Indirizzo"), " Via Roma 1 ");
  EXPECT_EQ(Record("Citta"), "Città");
  EXPECT_EQ(Record("Prov"), "");
  EXPECT_EQ(Record("Eta"), "42");
  EXPECT_EQ(Record("Tel"), "333");
  EXPECT_EQ(Record("Maschio"), "False");
  EXPECT_EQ(registry.OpenCount, registry.CloseCount);
}

TEST_F(InstallRunTest, BothSexBoxesCheckedStoreMaschioTrue) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  f->CheckBox1->SetChecked(true);
  f->CheckBox2->SetChecked(true);
  peer.Click(*f->Button9);
  EXPECT_EQ(Record("Maschio"), "True");
}

TEST_F(InstallRunTest, InstallAfterAnUninstallationInTheSameWindowStartsCommandsAndWritesTheRecord) {
  WriteProductInstaller();
  StoreRecord({{"RootDir", Dest("velto.exe")}});
  TForm1* f = Start();
  EXPECT_TRUE(peer.Click(*f->Button14));
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  f->Notebook1->SetPageIndex(5);
  EXPECT_TRUE(peer.Click(*f->Button9));
  EXPECT_TRUE(WizardGone());
  EXPECT_TRUE(files.FileExists(Dest("velto.exe")));
  EXPECT_EQ(system.Started().size(), 1u);
  EXPECT_EQ(Record("RootDir"), Dest("velto.exe"));
}

TEST_F(InstallRunTest, SecondRunFindsTheCardAndOffersUninstallation) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  f->Edit1->SetText("Bianchi");
  f->CheckBox1->SetChecked(true);
  peer.Click(*f->Button9);
  ASSERT_TRUE(WizardGone());
  app = std::make_unique<TApplication>(peer, dialogs);
  TForm1* again = Start();
  EXPECT_EQ(again->Edit1->Text(), "Bianchi");
  EXPECT_TRUE(again->CheckBox1->Checked());
  EXPECT_TRUE(again->Button14->Enabled());
}

// ---- The faults mended -------------------------------------------------------------------

TEST_F(InstallRunTest, ButtonsAndCloseBoxDoNothingWhileFilesAreExtracted) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  int attempts = 0;
  peer.OnProcessMessages = [&] {
    if (attempts++ > 0) return;
    EXPECT_TRUE(Form1->Busy());
    peer.PressCloseBox(*Form1);
    peer.Click(*Form1->Button10);  // back to the licence page
    peer.Click(*Form1->Button9);   // a second run
    EXPECT_EQ(Form1->Notebook1->PageIndex(), 5);
    EXPECT_FALSE(WizardGone());
  };
  peer.Click(*f->Button9);
  EXPECT_GT(attempts, 0);
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(dialogs.Boxes.size(), 1u);  // the success box, once
  EXPECT_EQ(system.Started().size(), 1u);
  EXPECT_EQ(cursor.History(), (std::vector<bool>{true, false}));
}

TEST_F(InstallRunTest, DamagedPayloadInstallsNothingAndStaysOnInstallPageWithButtonsWorking) {
  // velto.exe's only block is not a zlib stream: the check before the run
  // finds it, and nothing is written, not even the links.
  testarchive::ArchiveBuilder b;
  std::string list = testarchive::FileListText({{"velto.exe", kDate2005, "abc"}});
  b.Header("t", static_cast<int32_t>(list.size() + 3), 1)
      .Entry("FILE:LIST", kDate2005, list)
      .EntryHead("velto.exe", kDate2005)
      .Signature()
      .Int32(6)
      .Raw("garbag")
      .Terminator()
      .End();
  WriteInstallerBytes(b.Bytes());
  TForm1* f = StartOnInstallPage();
  EXPECT_TRUE(peer.Click(*f->Button9));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDamagedInstallerMessage});
  EXPECT_EQ(Form1, f);
  EXPECT_FALSE(f->Installed());
  EXPECT_FALSE(f->Busy());
  EXPECT_FALSE(files.DirectoryExists(kDefaultDest));
  EXPECT_EQ(f->Notebook1->PageIndex(), 5);
  EXPECT_TRUE(f->Button9->Showing() && f->Button9->EffectivelyEnabled());
  EXPECT_TRUE(cursor.History().empty());  // the check failed before the run began
  // Back, and closed: nothing started, nothing recorded, no link.
  EXPECT_TRUE(peer.Click(*f->Button10));
  EXPECT_EQ(f->Notebook1->PageIndex(), 3);
  EXPECT_TRUE(peer.Click(*f->Button8));
  EXPECT_TRUE(WizardGone());
  EXPECT_TRUE(system.Started().empty());
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_EQ(std::count(shell.Log.begin(), shell.Log.end(), "create"), 0);
}

TEST_F(InstallRunTest, AFlippedByteInAnyBlockOfAWrittenPayloadInstallsNothing) {
  // The payload as the tool writes it: velto.hlp does not compress (random
  // bytes), so its blocks are zlib streams of stored deflate blocks.
  const std::string help = testarchive::PatternBytes(40000, 5, false);
  files.ForceDirectories("c:\\src");
  testsupport::WriteFile(files.NativePath("c:\\src\\velto.exe"), testarchive::PatternBytes(20000, 6));
  testsupport::WriteFile(files.NativePath("c:\\src\\velto.hlp"), help);
  testsupport::WriteFile(files.NativePath("c:\\src\\tidehub.exe"), "server");
  {
    TBackupFile writer(nullptr, files, dialogs);
    writer.CompressionLevel = clFastest;
    ASSERT_TRUE(writer.Backup("c:\\src\\payload.arc", {{"c:\\src\\velto.exe", "c:\\release\\velto.exe"},
                                                       {"c:\\src\\velto.hlp", "c:\\release\\velto.hlp"},
                                                       {"c:\\src\\tidehub.exe", "c:\\release\\tidehub.exe"}}));
  }
  const std::string payload = HostFile("c:\\src\\payload.arc");
  const auto spans = testarchive::BlockSpans(payload);
  // The list, velto.exe, velto.hlp (two streams for each full piece, one for
  // the short last piece) and tidehub.exe.
  ASSERT_EQ(spans.size(), 1u + 2u + 5u + 1u);
  for (size_t i = 0; i < spans.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i));
    std::string damaged = payload;
    damaged[spans[i].first + spans[i].second / 2] ^= 0x04;
    WriteInstallerBytes(damaged);
    dialogs.Boxes.clear();
    shell.Log.clear();
    if (i == 0) {
      // A damaged file list is found at start-up: the program ends there.
      EXPECT_THROW(StartOnInstallPage(), EAbort);
      EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDamagedInstallerMessage});
      EXPECT_EQ(Form1, nullptr);
      continue;
    }
    TForm1* f = StartOnInstallPage();
    EXPECT_TRUE(dialogs.Boxes.empty());
    EXPECT_TRUE(peer.Click(*f->Button9));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDamagedInstallerMessage});
    EXPECT_FALSE(files.DirectoryExists(kDefaultDest));
    EXPECT_EQ(f->Notebook1->PageIndex(), 5);
    EXPECT_FALSE(f->Installed());
    EXPECT_TRUE(f->PostInstallCommands().Items().empty());
    EXPECT_EQ(std::count(shell.Log.begin(), shell.Log.end(), "create"), 0);
    EXPECT_TRUE(peer.Click(*f->Button10));
    EXPECT_TRUE(peer.Click(*f->Button8));
    EXPECT_TRUE(WizardGone());
    EXPECT_TRUE(system.Started().empty());
    EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  }
  // The same payload undamaged installs, velto.hlp byte for byte.
  WriteInstallerBytes(payload);
  TForm1* f = StartOnInstallPage();
  EXPECT_TRUE(peer.Click(*f->Button9));
  EXPECT_TRUE(WizardGone());
  EXPECT_TRUE(HostFile(Dest("velto.hlp")) == help);
}

TEST_F(InstallRunTest, PayloadTrailerBeyondTheFileGivesTheDamagedMessageAtStartUp) {
  // A trailer that points past the end of the executable: there is no
  // archive, and the program ends before the wizard is shown.
  std::string bytes = "MZ" + std::string(100, '\x90');
  bytes += std::string("\xff\xff\x00\x00", 4);
  testsupport::WriteFile(files.NativePath(kInstallerPath), bytes);
  EXPECT_THROW(StartOnInstallPage(), EAbort);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDamagedInstallerMessage});
  EXPECT_EQ(Form1, nullptr);
  EXPECT_FALSE(files.DirectoryExists(kDefaultDest));
}

TEST_F(InstallRunTest, RetryAfterAFailedRunInstallsIntoAnotherFolder) {
  WriteInstaller("t", {{"velto.exe", kDate2005, "m"}});
  // A folder in the place of the file makes the first run fail.
  files.ForceDirectories("c:\\download\\blocco\\velto.exe");
  TForm1* f = StartOnInstallPage();
  f->LabelDir->SetCaption("c:\\download\\blocco");
  peer.Click(*f->Button9);
  ASSERT_EQ(Form1, f);
  EXPECT_FALSE(f->Installed());
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Cannot read file"});
  f->LabelDir->SetCaption("c:\\altrove");
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(HostFile("c:\\altrove\\velto.exe"), "m");
  EXPECT_EQ(Record("RootDir"), "c:\\altrove\\velto.exe");
}

TEST_F(InstallRunTest, WithoutPayloadStreamTheProgramSaysTheInstallerIsDamagedAtStartUp) {
  system.ProgramPathValue = "c:\\download\\missing.exe";
  EXPECT_THROW(StartOnInstallPage(), EAbort);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text,
            "Il programma di installazione è danneggiato: impossibile leggere i file da installare.");
  EXPECT_EQ(Form1, nullptr);
  EXPECT_TRUE(cursor.History().empty());
}

TEST_F(InstallRunTest, RecordThatCannotBeWrittenStillClosesAndStartsCommandsOnce) {
  WriteProductInstaller();
  registry.FailingWrites.insert("cognome");
  TForm1* f = StartOnInstallPage();
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Lanciare il programma dall'icona sul desktop",
                                                  "Failed to set data for 'Cognome'"}));
  EXPECT_EQ(system.Started().size(), 1u);
  // The values before the failing one are written, the later ones are not.
  EXPECT_EQ(Record("RootDir"), Dest("velto.exe"));
  EXPECT_EQ(Record("version"), "2005 1.0.0.0");
  EXPECT_EQ(Record("Nome"), "<missing>");
}

TEST_F(InstallRunTest, RecordKeyThatCannotBeOpenedStillCloses) {
  WriteProductInstaller();
  registry.MakeUnopenable(kRecordKey);
  TForm1* f = StartOnInstallPage();
  peer.Click(*f->Button9);
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(BoxTexts().back(), "Failed to set data for 'RootDir'");
  EXPECT_EQ(system.Started().size(), 1u);
}

TEST_F(InstallRunTest, RepeatedCloseAfterInstallStartsCommandsOnlyOnce) {
  WriteProductInstaller();
  TForm1* f = StartOnInstallPage();
  // Keep the window on the first close so that a second one can come.
  int queries = 0;
  f->OnCloseQuery = [&](TObject*, bool&) { ++queries; };
  TCloseAction keep = caNone;
  f->OnClose = [&](TObject* S, TCloseAction& A) {
    Form1->FormClose(S, A);
    if (queries == 1) A = keep;
  };
  peer.Click(*f->Button9);
  ASSERT_EQ(Form1, f);
  EXPECT_EQ(system.Started().size(), 1u);
  EXPECT_TRUE(peer.PressCloseBox(*f));
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(system.Started().size(), 1u);
  EXPECT_EQ(registry.KeyAt(kRecordRoot, kRecordKey).WriteOrder.size(), 10u);
}

}  // namespace
}  // namespace wizardtest
