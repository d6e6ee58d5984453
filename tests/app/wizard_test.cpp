// The wizard window through the headless peer: layout, start-up, navigation,
// closing, painting and the connection gate.
#include "app/program.h"
#include "tests/app/wizard_fixture.h"

namespace wizardtest {
namespace {

// ---- Layout --------------------------------------------------------------------

TEST_F(WizardTest, LayoutHasSixPagesInNotebookOrderAndStartsOnWelcome) {
  WriteProductInstaller();
  TForm1* f = Start();
  ASSERT_EQ(f->Notebook1->PageCount(), 6);
  const char* names[] = {"Default", "Meil", "due", "Tre", "erwe", "Quattro"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f->Notebook1->Pages(i)->Caption(), names[i]);
  EXPECT_EQ(f->Notebook1->PageIndex(), 0);
  EXPECT_TRUE(f->Notebook1->Pages(0)->Visible());
  for (int i = 1; i < 6; ++i) EXPECT_FALSE(f->Notebook1->Pages(i)->Visible()) << i;
}

TEST_F(WizardTest, WindowFrameSizesAndColoursAreTheStoredOnes) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_EQ(f->BorderStyle(), bsDialog);
  EXPECT_EQ(f->Position(), poScreenCenter);
  EXPECT_EQ(f->ClientWidth(), 592);
  EXPECT_EQ(f->ClientHeight(), 464);
  EXPECT_EQ(f->Color(), RgbColor(0, 128, 192));
  EXPECT_EQ(f->Font().Name, "MS Sans Serif");
  EXPECT_EQ(f->Font().Size, 8);
  EXPECT_EQ(f->Font().Height(), -11);
  // Banner, notebook and status bar stacked from the top.
  EXPECT_EQ(f->PanelBanner->Top(), 0);
  EXPECT_EQ(f->PanelBanner->Height(), 49);
  EXPECT_EQ(f->PanelBanner->Color(), clWhite);
  EXPECT_EQ(f->Notebook1->Top(), 49);
  EXPECT_EQ(f->Notebook1->Width(), 592);
  EXPECT_EQ(f->Notebook1->Height(), 397);
  EXPECT_EQ(f->Notebook1->Color(), RgbColor(0, 64, 128));
  EXPECT_EQ(f->StatusBar1->Top(), 446);
  EXPECT_EQ(f->StatusBar1->Height(), 18);
  EXPECT_EQ(f->StatusBar1->SimpleText(), "");
  // The banner's title strip with its circle and white Arial text.
  EXPECT_EQ(f->PanelTitle->Width(), 280);
  EXPECT_EQ(f->PanelTitle->Left() + f->PanelTitle->Width(), 592);
  EXPECT_EQ(f->PanelStrip->Height(), 17);
  EXPECT_EQ(f->PanelStrip->Color(), RgbColor(0, 0, 96));
  EXPECT_EQ(f->ShapeCircle->Shape(), stCircle);
  EXPECT_EQ(f->ShapeCircle->Left(), -30);
  EXPECT_EQ(f->ShapeCircle->Top(), -4);
  EXPECT_EQ(f->ShapeCircle->Width(), 65);
  EXPECT_EQ(f->LabelTitle->Caption(), "Programma di installazione di Velto2005");
  EXPECT_EQ(f->LabelTitle->Font().Name, "Arial");
  EXPECT_EQ(f->LabelTitle->Font().Color, clWhite);
  EXPECT_EQ(f->ImageLogo->Width(), 200);
  EXPECT_EQ(f->ImageLogo->Left(), 16);
  // Page texts are white; the framed box and its logo.
  EXPECT_EQ(f->Label3->Font().Color, clWhite);
  EXPECT_EQ(f->Shape1->Left(), 10);
  EXPECT_EQ(f->Shape1->Top(), 8);
  EXPECT_EQ(f->Shape1->Width(), 119);
  EXPECT_EQ(f->Shape1->Height(), 280);
  EXPECT_EQ(f->Shape1->BrushColor(), RgbColor(0, 128, 192));
  EXPECT_EQ(f->Shape1->PenColor(), clWhite);
  EXPECT_EQ(f->ImgBase->Left(), 18);
  EXPECT_EQ(f->ImgBase->Top(), 12);
  EXPECT_FALSE(f->ImgBase->Picture().Empty());
  EXPECT_TRUE(f->Image2->Picture().Empty());
  // Bottom bars: 41 high in the face colour, buttons 75 x 25.
  for (TPanel* bar : {f->Panel1, f->Panel2, f->Panel3, f->Panel4, f->Panel5, f->Panel6}) {
    EXPECT_EQ(bar->Height(), 41);
    EXPECT_EQ(bar->Top(), 397 - 41);
    EXPECT_EQ(bar->Color(), clBtnFace);
  }
  EXPECT_EQ(f->Button2->Width(), 75);
  EXPECT_EQ(f->Button2->Height(), 25);
  EXPECT_EQ(f->Button2->Left() - f->Button3->Left(), 84);
  EXPECT_EQ(f->Button14->Width(), 177);
  EXPECT_EQ(f->Memo1->Width(), 559);
  EXPECT_EQ(f->Memo1->Height(), 213);
  EXPECT_EQ(f->Memo2->Width(), 561);
  for (TMemo* m : {f->Memo1, f->Memo2, f->Memo3}) {
    EXPECT_EQ(m->BorderStyle(), bsNone);
    EXPECT_EQ(m->ScrollBars(), ssVertical);
    EXPECT_FALSE(m->ReadOnly());
    EXPECT_GT(m->Lines().Count(), 3);
  }
}

TEST_F(WizardTest, CaptionsAndTagsOfTheBottomBarsAreExact) {
  WriteProductInstaller();
  TForm1* f = Start();
  struct Row {
    TButton* Button;
    const char* Caption;
    int Tag;
  };
  const Row rows[] = {{f->Button2, "&Avanti>>", 1},   {f->Button3, "&Chiudi", 0},      {f->Button12, "&Avanti>>", 2},
                      {f->Button13, "&Indietro", 0},  {f->Button4, "&Avanti>>", 3},    {f->Indietro, "<<&Indietro", 1},
                      {f->Button6, "Si", 4},          {f->Button7, "<<&Indietro", 2},  {f->Button8, "NO", 0},
                      {f->Button1, "Avanti >>", 5},   {f->Button11, "<<&Indietro", 3}, {f->Button9, "Installa", 0},
                      {f->Button10, "<<&Indietro", 3}};
  for (const Row& r : rows) {
    EXPECT_EQ(r.Button->Caption(), r.Caption) << r.Button->Name;
    EXPECT_EQ(r.Button->Tag, r.Tag) << r.Button->Name;
  }
  EXPECT_EQ(f->Button14->Caption(), "Disinstalla Velto2005");
  EXPECT_EQ(f->Button5->Caption(), "Cambia");
  EXPECT_EQ(f->LabelDir->Caption(), "c:\\programmi\\brovik\\agent");
  EXPECT_EQ(f->ProgressBar2->Min(), 0);
  EXPECT_EQ(f->ProgressBar2->Max(), 10);
  EXPECT_EQ(f->ProgressBar1->Max(), 100);
  EXPECT_FALSE(f->ProgressBar1->Visible());
}

TEST_F(WizardTest, CardPageFieldsAndChoicesStartAsStored) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_EQ(f->Label9->Caption(), "Cognome");
  EXPECT_EQ(f->Label12->Caption(), "Città");
  EXPECT_EQ(f->Label14->Caption(), "Età");
  EXPECT_EQ(f->Label15->Caption(), "Telefono cellulare (*Opzionale)");
  for (TEdit* e : {f->Edit1, f->Edit2, f->Edit3, f->Edit4, f->Edit5, f->Edit6, f->Edit7})
    EXPECT_EQ(e->BorderStyle(), bsNone) << e->Name;
  EXPECT_EQ(f->GroupBox1->Caption(), "Sesso");
  EXPECT_EQ(f->CheckBox1->Caption(), "Maschio");
  EXPECT_EQ(f->CheckBox2->Caption(), "Femmina");
  EXPECT_TRUE(f->RadioButton1->Checked());
  EXPECT_EQ(f->RadioButton1->Caption(), "Accetto");
  EXPECT_FALSE(f->RadioButton2->Checked());
  EXPECT_EQ(f->RadioButton2->Caption(), "non accetto");
  EXPECT_EQ(f->Label18->Caption(), "Informativa privacy ");
  EXPECT_TRUE(f->Label18->Font().Bold);
  EXPECT_TRUE(f->Label18->Font().Underline);
  EXPECT_EQ(f->Label18->Cursor(), crHandPoint);
  // The two sex boxes are independent.
  peer.Click(*f->Button2);
  peer.Click(*f->CheckBox1);
  peer.Click(*f->CheckBox2);
  EXPECT_TRUE(f->CheckBox1->Checked());
  EXPECT_TRUE(f->CheckBox2->Checked());
  // The two radio buttons are not.
  peer.Click(*f->RadioButton2);
  EXPECT_FALSE(f->RadioButton1->Checked());
}

TEST_F(WizardTest, FlashPromptPanelShowsOnlyItsInstructionLines) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_TRUE(f->Panel10->Visible());
  EXPECT_EQ(f->Panel10->Left(), 146);
  EXPECT_EQ(f->Panel10->Top(), 8);
  EXPECT_EQ(f->Panel10->Width(), 325);
  EXPECT_EQ(f->Panel10->Height(), 209);
  EXPECT_EQ(f->Panel10->Color(), RgbColor(0, 64, 128));
  EXPECT_FALSE(f->Label26->Visible());
  EXPECT_FALSE(f->Label29->Visible());
  EXPECT_FALSE(f->Image5->Visible());
  EXPECT_TRUE(f->Label30->Visible());
  EXPECT_TRUE(f->Label31->Visible());
  EXPECT_EQ(f->Image5->Width(), 135);
  EXPECT_EQ(f->Image5->Height(), 38);
  EXPECT_EQ(f->Image5->Cursor(), crHandPoint);
}

TEST_F(WizardTest, OwnedComponentsCarryTheirStoredSettings) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_EQ(f->BackupFile1->BackupMode(), bmAll);
  EXPECT_EQ(f->BackupFile1->CompressionLevel, clMax);
  EXPECT_EQ(f->BackupFile1->RestoreMode, rmAll);
  EXPECT_EQ(f->BackupFile1->MaxSize, 0);
  EXPECT_FALSE(f->BackupFile1->SetArchiveFlag);
  EXPECT_FALSE(f->BackupFile1->RestoreFullPath);
  EXPECT_FALSE(f->BackupFile1->SaveFileID);
  EXPECT_TRUE(f->BackupFile1->OnProgress);
  EXPECT_TRUE(f->BackupFile1->OnRestoreFile);
  TMyShortCut* s = f->MyShortCut1;
  EXPECT_EQ(s->Tag, 50);
  EXPECT_EQ(s->ExeName, "velto.exe");
  EXPECT_EQ(s->IconPathName, "search.ico");
  EXPECT_EQ(s->Descrizione, "Cerca con velto");
  EXPECT_EQ(s->MenuText, "Cerca con velto");
  EXPECT_EQ(s->LinkName, "Velto2003");
  EXPECT_EQ(s->GruppoProgrammiName, "Velto2003");
  EXPECT_EQ(s->DescrizioneExeInForder, "Velto");
  EXPECT_EQ(s->CLSIDExplore, "{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}");
  EXPECT_EQ(s->CLSIDExplore1, "{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}");
  EXPECT_TRUE(s->CreateDeskTopLink && s->CreateFolder && s->CreateToTrova && s->CreateToExplorer && s->CreateToAvvio);
  EXPECT_EQ(s->listafile.Count(), 7);
  EXPECT_EQ(s->listafile[0], "velto.exe");
  EXPECT_TRUE(f->INetDetector1->Enabled());
  EXPECT_EQ(f->INetDetector1->DispatchInterval(), 1000u);
  EXPECT_FALSE(f->MapiUse1->ShowDialog);
  EXPECT_FALSE(f->MapiUse1->UseAppHandle);
  // Creation order: the archive component first, the shortcut after it.
  int backupAt = -1, shortcutAt = -1;
  for (int i = 0; i < f->ComponentCount(); ++i) {
    if (f->Components(i) == f->BackupFile1) backupAt = i;
    if (f->Components(i) == f->MyShortCut1) shortcutAt = i;
  }
  EXPECT_GE(backupAt, 0);
  EXPECT_GT(shortcutAt, backupAt);
}

// ---- Start-up --------------------------------------------------------------------

TEST_F(WizardTest, CaptionEndsInVersPointAndThePayloadTitle) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_EQ(f->Caption(), "Installazione di Velto2005 Vers.2005 1.0.0.0");
  EXPECT_EQ(f->VersionText(), "2005 1.0.0.0");
  EXPECT_EQ(f->PayloadOffset(), 1024u);
  ASSERT_NE(f->ArchiveFiles(), nullptr);
  EXPECT_EQ(f->ArchiveFiles()->Count(), 4);
  EXPECT_EQ(f->SystemDirectory(), "c:\\windows\\system32");
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(WizardTest, EmptyPayloadTitleLeavesVersPointAsTheCaptionsEnd) {
  WriteInstaller("", {{"velto.exe", kDate2005, "x"}});
  TForm1* f = Start();
  EXPECT_EQ(f->Caption(), "Installazione di Velto2005 Vers.");
  EXPECT_EQ(f->Caption().substr(f->Caption().size() - 6), " Vers.");
}

TEST_F(WizardTest, UnreadablePayloadEndsTheProgramWithTheDamagedMessageBeforeTheWindow) {
  WriteProductInstaller();
  const std::string good = HostFile(kInstallerPath);
  struct Case {
    const char* what;
    std::string bytes;  // the installer; empty: there is no file
  };
  const Case cases[] = {
      {"an executable that cannot be opened", ""},
      {"too short for a trailer", "MZ"},
      {"cut short", good.substr(0, good.size() - 300)},
      {"appended to", good + "firma aggiunta"},
      {"a trailer beyond the file", "MZ" + std::string(100, '\x90') + std::string("\xff\xff\x00\x00", 4)},
  };
  app.reset();  // the program makes its own application
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    system.ProgramPathValue = c.bytes.empty() ? "c:\\download\\missing.exe" : kInstallerPath;
    if (!c.bytes.empty()) testsupport::WriteFile(files.NativePath(kInstallerPath), c.bytes);
    dialogs.Boxes.clear();
    EXPECT_EQ(RunInstaller(services), 0);
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{kDamagedInstallerMessage});
    EXPECT_EQ(dialogs.Boxes[0].Caption, "Velto2005");
    EXPECT_TRUE(peer.FormsCreated.empty());
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(timers.RunningCount(), 0u);
  }
}

TEST_F(WizardTest, SecondInstallerIsRefusedWhileTheFirstHoldsTheName) {
  WriteProductInstaller();
  app.reset();
  bool ran = false;
  peer.OnRun = [&](TApplication&) {
    ran = true;
    peer.Click(*Form1->Button3);
  };
  {
    platform::HostSystem firstInstaller;  // another process, as far as the lock goes
    ASSERT_TRUE(firstInstaller.ClaimSingleInstance(kInstallerMutexName));
    EXPECT_EQ(RunInstaller(services), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kAlreadyRunningMessage});
    EXPECT_TRUE(peer.FormsCreated.empty());
    EXPECT_FALSE(ran);
  }
  // Once the first has ended, the next one runs.
  dialogs.Boxes.clear();
  EXPECT_EQ(RunInstaller(services), 0);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(WizardTest, UninstallButtonIsDisabledWithoutRecordAndEnabledWithIt) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_FALSE(f->Button14->Enabled());
  delete f;
  StoreRecord({{"RootDir", "c:\\programmi\\brovik\\agent\\velto.exe"}});
  f = Start();
  EXPECT_TRUE(f->Button14->Enabled());
}

TEST_F(WizardTest, CardIsFilledFromTheRecordWithMaschioCaseSensitive) {
  WriteProductInstaller();
  StoreRecord({{"Cognome", "Rossi"},
               {"Nome", "Mario"},
               {"Indirizzo", "Via Roma 1"},
               {"Citta", "Città di Castello"},
               {"Prov", "PG"},
               {"Eta", "42"},
               {"Tel", "333 1234567"},
               {"Maschio", "True"}});
  TForm1* f = Start();
  EXPECT_EQ(f->Edit1->Text(), "Rossi");
  EXPECT_EQ(f->Edit2->Text(), "Mario");
  EXPECT_EQ(f->Edit7->Text(), "Via Roma 1");
  EXPECT_EQ(f->Edit3->Text(), "Città di Castello");
  EXPECT_EQ(f->Edit4->Text(), "PG");
  EXPECT_EQ(f->Edit5->Text(), "42");
  EXPECT_EQ(f->Edit6->Text(), "333 1234567");
  EXPECT_TRUE(f->CheckBox1->Checked());
  EXPECT_FALSE(f->CheckBox2->Checked());
  delete f;
  registry.SetString(kRecordRoot, kRecordKey, "Maschio", "true");
  f = Start();
  EXPECT_FALSE(f->CheckBox1->Checked());
}

TEST_F(WizardTest, RecordValueOfAnotherTypeEndsTheProgramBeforeTheWindow) {
  WriteProductInstaller();
  StoreRecord({{"Cognome", "Rossi"}});
  registry.SetNumber(kRecordRoot, kRecordKey, "Nome", 7);
  app.reset();  // the program makes its own application
  EXPECT_EQ(RunInstaller(services), 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Invalid data type for 'Nome'"});
  EXPECT_TRUE(peer.FormsCreated.empty());
  EXPECT_EQ(Form1, nullptr);
}

TEST_F(WizardTest, ProgramRunsTheWizardUntilItIsClosed) {
  WriteProductInstaller();
  app.reset();
  bool ran = false;
  peer.OnRun = [&](TApplication& App) {
    ran = true;
    ASSERT_NE(Form1, nullptr);
    EXPECT_EQ(App.MainForm(), Form1);
    EXPECT_TRUE(Form1->Showing());
    peer.Click(*Form1->Button3);
    EXPECT_TRUE(App.Terminated());
  };
  EXPECT_EQ(RunInstaller(services), 0);
  EXPECT_TRUE(ran);
  EXPECT_EQ(Form1, nullptr);
  EXPECT_TRUE(system.Started().empty());
}

// ---- Navigation ----------------------------------------------------------------------

TEST_F(WizardTest, EveryNavigationButtonLeadsToThePageItsTagNames) {
  WriteProductInstaller();
  TForm1* f = Start();
  f->RadioButton2->SetChecked(true);  // "non accetto": the card page only leads on
  struct Step {
    TButton* Button;
    int From, To;
  };
  const Step steps[] = {{f->Button2, 0, 1}, {f->Button13, 1, 0}, {f->Button12, 1, 2}, {f->Indietro, 2, 1},
                        {f->Button4, 2, 3}, {f->Button7, 3, 2},  {f->Button6, 3, 4},  {f->Button11, 4, 3},
                        {f->Button1, 4, 5}, {f->Button10, 5, 3}};
  for (const Step& s : steps) {
    f->Notebook1->SetPageIndex(s.From);
    ASSERT_TRUE(peer.Click(*s.Button)) << s.Button->Name;
    EXPECT_EQ(f->Notebook1->PageIndex(), s.To) << s.Button->Name;
    EXPECT_TRUE(f->Notebook1->Pages(s.To)->Visible());
    if (s.From != s.To) {
      EXPECT_FALSE(f->Notebook1->Pages(s.From)->Visible());
    }
  }
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(WizardTest, ButtonsOfHiddenPagesTakeNoClicks) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_FALSE(peer.Click(*f->Button9));
  EXPECT_EQ(f->Notebook1->PageIndex(), 0);
}

// ---- Closing ------------------------------------------------------------------------------

class CloseWithoutInstall : public WizardTest, public ::testing::WithParamInterface<int> {};

TEST_P(CloseWithoutInstall, ClosesAndNeitherStartsCommandsNorWritesTheRecord) {
  WriteProductInstaller();
  TForm1* f = Start();
  f->Edit1->SetText("Rossi");
  switch (GetParam()) {
    case 0:
      EXPECT_TRUE(peer.Click(*f->Button3));  // "&Chiudi"
      break;
    case 1:
      f->Notebook1->SetPageIndex(3);
      EXPECT_TRUE(peer.Click(*f->Button8));  // "NO"
      break;
    default:
      f->Notebook1->SetPageIndex(4);
      EXPECT_TRUE(peer.PressCloseBox(*f));
      break;
  }
  EXPECT_TRUE(WizardGone());
  EXPECT_TRUE(system.Started().empty());
  EXPECT_EQ(registry.WriteCount, 0);
  EXPECT_FALSE(registry.HasKey(kRecordRoot, kRecordKey));
  EXPECT_EQ(peer.FormsDestroyed.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(ChiudiNoAndCloseBox, CloseWithoutInstall, ::testing::Values(0, 1, 2));

// ---- Painting ------------------------------------------------------------------------------

TEST_F(WizardTest, PaintCopiesTheBaseLogoIntoBothPageLogos) {
  WriteProductInstaller();
  TForm1* f = Start();
  EXPECT_TRUE(peer.PaintForm(*f));
  EXPECT_TRUE(f->Image2->Picture().SameAs(f->ImgBase->Picture()));
  EXPECT_TRUE(f->Image4->Picture().SameAs(f->ImgBase->Picture()));
  int changes = peer.ChangeCount(*f->Image2, wcPicture);
  EXPECT_EQ(changes, 1);
  // A later paint with the same picture does not make the peer draw again.
  peer.PaintForm(*f);
  EXPECT_EQ(peer.ChangeCount(*f->Image2, wcPicture), changes);
}

// ---- Connection gate ------------------------------------------------------------------------

TEST_F(WizardTest, GateFollowsTheDetectorOnFourButtonsAndTheStatusBar) {
  WriteProductInstaller();
  TForm1* f = Start();
  std::vector<TButton*> gated = {f->Button2, f->Button4, f->Button1, f->Button9};
  TickConnection(true);
  for (TButton* b : gated) EXPECT_TRUE(b->Enabled());
  EXPECT_EQ(f->StatusBar1->SimpleText(), "Connessione attiva");
  TickConnection(false);
  for (TButton* b : gated) EXPECT_FALSE(b->Enabled()) << b->Name;
  EXPECT_EQ(f->StatusBar1->SimpleText(), "Per installare il programma dovete essere connessi a internet!");
  for (TButton* b : {f->Button12, f->Button6, f->Button3, f->Button8, f->Button14, f->Button5, f->Button10})
    EXPECT_EQ(b->Enabled(), b != f->Button14) << b->Name;  // Button14 is off: no record
  // Offline on the card page: its forward button still leads on, page 2's does not.
  f->Notebook1->SetPageIndex(1);
  peer.Click(*f->RadioButton2);
  EXPECT_TRUE(peer.Click(*f->Button12));
  EXPECT_EQ(f->Notebook1->PageIndex(), 2);
  EXPECT_FALSE(peer.Click(*f->Button4));
  EXPECT_EQ(f->Notebook1->PageIndex(), 2);
  TickConnection(true);
  EXPECT_TRUE(f->Button4->Enabled());
  EXPECT_EQ(f->StatusBar1->SimpleText(), "Connessione attiva");
}

TEST_F(WizardTest, MachineOfflineFromTheStartGetsNoReport) {
  WriteProductInstaller();
  TForm1* f = Start();
  ASSERT_EQ(timers.RunningCount(), 1u);  // the detector's, started with the window
  EXPECT_EQ(timers.Intervals(), std::vector<uint32_t>{1000u});
  TickConnection(false);
  TickConnection(false);
  for (TButton* b : {f->Button2, f->Button4, f->Button1, f->Button9}) EXPECT_TRUE(b->Enabled()) << b->Name;
  EXPECT_EQ(f->StatusBar1->SimpleText(), "");
}

// ---- Flash prompt ------------------------------------------------------------------------------

TEST_F(WizardTest, LeavingTheCardShowsTheFlashPromptOnlyWithoutThePlayer) {
  WriteProductInstaller();
  system.SystemDirectoryValue = "c:\\windows\\system32";
  files.ForceDirectories("c:\\windows\\system32\\MACROMED\\FLASH");
  TForm1* f = Start();
  f->Notebook1->SetPageIndex(1);
  peer.Click(*f->RadioButton2);
  peer.Click(*f->Button12);
  EXPECT_EQ(f->Notebook1->PageIndex(), 2);
  EXPECT_TRUE(f->Panel10->Visible());
  EXPECT_TRUE(f->Label30->Visible());
  EXPECT_FALSE(f->Image5->Visible());
  // Only the MACROMED copy present: hidden.
  testsupport::WriteFile(files.NativePath("c:\\windows\\system32\\MACROMED\\FLASH\\SWFLASH.OCX"), "ocx");
  peer.Click(*f->Indietro);
  peer.Click(*f->Button12);
  EXPECT_EQ(f->Notebook1->PageIndex(), 2);
  EXPECT_FALSE(f->Panel10->Visible());
  EXPECT_TRUE(f->Label21->Showing());
}

// ---- Exceptions in handlers -------------------------------------------------------------------

TEST_F(WizardTest, ExceptionEscapingAHandlerIsShownAndTheWizardGoesOn) {
  WriteProductInstaller();
  StoreRecord({});
  registry.SetNumber(kRecordRoot, kRecordKey, "RootDir", 1);
  TForm1* f = Start();
  ASSERT_TRUE(f->Button14->Enabled());
  EXPECT_TRUE(peer.Click(*f->Button14));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Invalid data type for 'RootDir'"});
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Velto2005");
  // The handler ended there: "&Avanti>>" stays disabled, the window stays.
  EXPECT_FALSE(f->Button2->Enabled());
  EXPECT_EQ(Form1, f);
  EXPECT_TRUE(peer.Click(*f->Button3));
  EXPECT_TRUE(WizardGone());
}

}  // namespace
}  // namespace wizardtest
