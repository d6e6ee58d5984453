#include "app/unit1.h"

#include <memory>
#include <utility>

#include "app/destination.h"
#include "app/installer_record.h"
#include "app/unit2.h"
#include "archive/payload.h"
#include "mail/statistics_card.h"
#include "runtime/exceptions.h"
#include "runtime/name_rule.h"
#include "runtime/scope_exit.h"
#include "runtime/windows_path.h"
#include "ui/application.h"

TForm1* Form1 = nullptr;

namespace {

int ShowBox(platform::IDialogs& Dialogs, const std::string& Text, uint32_t Flags) {
  if (Application) return Application->ShowMessageBox(Text, "", Flags);
  return Dialogs.ShowMessageBox(Text, "", Flags);
}

}  // namespace

TForm1::TForm1(TComponent* AOwner, const TServices& Services)
    : TForm(AOwner, Services.Peer),
      FServices(Services),
      FRestorePump(Application),
      FJournal(Services.Files, &Services.Registry) {
  Form1 = this;
  try {
    LoadLayout();
    // Constructor body: the state starts empty (members), the post-install
    // list empty; then the card comes from the installer record.
    FPostInstall.Clear();
    TCardData card = ReadInstallerRecord(FServices.Registry);
    Edit1->SetText(card.Cognome);
    Edit2->SetText(card.Nome);
    Edit3->SetText(card.Citta);
    Edit4->SetText(card.Prov);
    Edit7->SetText(card.Indirizzo);
    Edit5->SetText(card.Eta);
    Edit6->SetText(card.Tel);
    CheckBox1->SetChecked(card.Maschio);
    OfferInstalledFolder();
    DoCreate();
    // A payload that cannot be read installs nothing: the program ends
    // before the wizard is shown, the card mailed or anything else done.
    if (FPayloadUnreadable) {
      ShowBox(FServices.Dialogs, kDamagedInstallerMessage, platform::mbOK | platform::mbIconError);
      throw EAbort();
    }
  } catch (...) {
    Form1 = nullptr;
    throw;
  }
}

TForm1::~TForm1() {
  // The background check reads the payload stream, which goes with the window.
  FPayloadCheck.Join();
  if (Form1 == this) Form1 = nullptr;
}

// ---- Start-up ----------------------------------------------------------------

void TForm1::OfferInstalledFolder() {
  // Accepting the default folder on a second run would make a second copy
  // and move the record away from the first.
  std::string folder;
  try {
    folder = FolderOfExecutable(ReadInstalledRootDir(FServices.Registry));
  } catch (const ERegistryException&) {
    // A RootDir of another type offers nothing; the uninstallation reports it.
  }
  if (!folder.empty()) LabelDir->SetCaption(folder);
}

void TForm1::FormCreate(TObject*) {
  // The payload steps. A payload that cannot be read (an executable that
  // cannot be opened, a trailer or an archive header or file list that
  // cannot be read) ends FormCreate here, and the constructor ends the
  // program; the archive component's own error box is not shown for it.
  FArchiveFiles = std::make_unique<TStringList>();
  archive::PayloadLocation where;
  try {
    bool reported = false;
    BackupFile1->OnError = [&reported](TObject*, int32_t, const std::string&) { reported = true; };
    ScopeExit quiet([this] { BackupFile1->OnError = nullptr; });
    FPayloadStream = FServices.Files.OpenFile(FServices.System.ProgramPath(), fmOpenRead | fmShareDenyNone);
    where = archive::ReadPayloadInfo(*FPayloadStream, *BackupFile1, FArchiveFiles.get(), FVersion);
    FPayloadUnreadable = reported;
  } catch (...) {
    FPayloadUnreadable = true;
  }
  if (FPayloadUnreadable) return;
  FPayloadOffset = static_cast<uint32_t>(where.ArchiveStart);
  SetCaption(Caption() + " Vers." + FVersion);
  StartPayloadCheck();
  FSystemDir = FServices.System.SystemDirectory();
  if (FSystemDir.size() >= kMaxPath) FSystemDir.resize(kMaxPath - 1);

  // The record check.
  if (!InstallerRecordExists(FServices.Registry)) Button14->SetEnabled(false);
}

void TForm1::StartPayloadCheck() {
  FPayloadStream->SetPosition(FPayloadOffset);
  TStream* payload = FPayloadStream.get();
  const int threads = BackupFile1->DecompressionThreads;
  const archive::TThreadStarter starter = BackupFile1->ThreadStarter;
  // Without a thread now, PayloadSound checks at "Installa".
  FPayloadCheck = platform::StartThread([this, payload, threads, starter] {
    try {
      FPayloadCheckResult = archive::VerifyArchive(*payload, threads, starter);
    } catch (...) {
      FPayloadCheckError = std::current_exception();
    }
  });
}

bool TForm1::PayloadSound() {
  if (!FPayloadSound) {
    if (FPayloadCheck.Joinable()) {
      FPayloadCheck.Join();
      if (FPayloadCheckError) std::rethrow_exception(std::exchange(FPayloadCheckError, nullptr));
      FPayloadSound = FPayloadCheckResult.Sound;
    } else {
      FPayloadStream->SetPosition(FPayloadOffset);
      FPayloadSound =
          archive::VerifyArchive(*FPayloadStream, BackupFile1->DecompressionThreads, BackupFile1->ThreadStarter).Sound;
    }
  }
  return *FPayloadSound;
}

void TForm1::FormPaint(TObject*) {
  Image2->SetPicture(ImgBase->Picture());
  Image4->SetPicture(ImgBase->Picture());
}

// ---- Navigation and closing ------------------------------------------------------

void TForm1::Button2Click(TObject* Sender) {
  if (FBusy) return;
  if (auto* c = dynamic_cast<TComponent*>(Sender)) Notebook1->SetPageIndex(c->Tag);
}

void TForm1::Button3Click(TObject*) {
  if (FBusy) return;
  Close();
}

void TForm1::Button8Click(TObject*) {
  if (FBusy) return;
  Close();
}

void TForm1::FormCloseQuery(TObject*, bool& CanClose) {
  // A close asked for while files are being extracted or removed would free
  // the window under the running operation.
  if (FBusy) CanClose = false;
}

void TForm1::FormClose(TObject*, TCloseAction& Action) {
  // The window goes in every case, also when the record cannot be written.
  Action = caFree;
  if (!FInstalled || FUninstalled || FCloseWorkDone) return;
  // Once only: a repeated close must not start the commands again.
  FCloseWorkDone = true;
  for (const std::string& command : FPostInstall.Items())
    FServices.System.StartCommand(command, platform::swShowNormal);
  try {
    WriteInstallerRecord(FServices.Registry, PathInFolder(FDestination, MyShortCut1->ExeName), FVersion,
                         CardFromFields());
  } catch (...) {
    if (!Application) throw;
    Application->HandleException();
  }
}

TCardData TForm1::CardFromFields() const {
  TCardData card;
  card.Cognome = Edit1->Text();
  card.Nome = Edit2->Text();
  card.Indirizzo = Edit7->Text();
  card.Citta = Edit3->Text();
  card.Prov = Edit4->Text();
  card.Eta = Edit5->Text();
  card.Tel = Edit6->Text();
  card.Maschio = CheckBox1->Checked();
  return card;
}

// ---- The install run -----------------------------------------------------------------

void TForm1::Button1Click(TObject*) {
  if (FBusy) return;
  // A payload with a damaged block installs nothing: no file, no command,
  // no record. The check ran in the background since start-up.
  if (!FPayloadStream || !PayloadSound()) {
    ShowBox(FServices.Dialogs, kDamagedInstallerMessage, platform::mbOK | platform::mbIconError);
    return;
  }
  // A relative folder would be resolved against the installer's own folder,
  // and the record would keep a path that means nothing later.
  FDestination = WithoutTrailingBackslash(LabelDir->Caption());
  if (!IsFullPath(FDestination)) {
    ShowBox(FServices.Dialogs, NotFullPathMessage(LabelDir->Caption()), platform::mbOK | platform::mbIconError);
    return;
  }
  // The commands noted at close are those of this run only.
  FPostInstall.Clear();
  FJournal.Clear();
  ProgressBar1->SetVisible(true);
  FServices.Cursor.SetBusyCursor(true);
  bool ok = false;
  // The busy state ends as the block is left, before a failed run is undone.
  try {
    FBusy = true;
    ScopeExit idle([this] {
      FBusy = false;
      FServices.Cursor.SetBusyCursor(false);
    });
    FPayloadStream->SetPosition(FPayloadOffset);
    ok = BackupFile1->RestoreFromStream(FPayloadStream.get(), "");
  } catch (...) {
    UndoFailedRun();
    throw;
  }
  // A failed run leaves the wizard here with its buttons working: the user
  // may go back, choose another folder and try again.
  if (!ok) {
    UndoFailedRun();
    return;
  }
  FInstalled = true;
  // An uninstallation earlier in this window is undone by the install: the
  // record is written at close.
  FUninstalled = false;
  FServices.Dialogs.ShowMessageBox("Lanciare il programma dall'icona sul desktop",
                                   "Installazione conclusa con successo", platform::mbOK);
  Close();
}

void TForm1::UndoFailedRun() {
  FPostInstall.Clear();
  ProgressBar1->SetPosition(ProgressBar1->Min());
  if (FJournal.Rollback()) return;
  std::string text = kRollbackIncompleteMessage;
  for (const std::string& item : FJournal.NotPutBack()) text += "\n" + item;
  ShowBox(FServices.Dialogs, text, platform::mbOK | platform::mbIconWarning);
}

void TForm1::BackupFile1RestoreFile(TObject*, std::string& Filename, int32_t, bool& DoRestore) {
  const std::string& dest = FDestination;
  const std::string name = FileNamePart(Filename);
  Filename = PathInFolder(dest, name);
  // Noted before anything is made, so that a failed run can take it away.
  FJournal.NoteTarget(Filename);
  if (!FServices.Files.DirectoryExists(dest)) FServices.Files.CreateDir(dest);
  // The product's names are Windows names whatever the build: case and
  // trailing dots do not tell them apart.
  const std::string nameKey = FileNameKey(name, TNameSystem::Windows);
  // The path is quoted: unquoted, a path with blanks would start another
  // program (c:\Program.exe for c:\Program Files\...).
  if (nameKey == "TIDEHUB.EXE") FPostInstall.Add("\"" + Filename + "\" /regserver");
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* shortcut = dynamic_cast<TMyShortCut*>(Components(i));
    if (!shortcut || shortcut->Tag != 50 || FileNameKey(shortcut->ExeName, TNameSystem::Windows) != nameKey) continue;
    // The name as stored is kept at the first use: every run makes the
    // icon path from it and its own folder.
    const std::string& iconName = FStoredIconNames.try_emplace(shortcut, shortcut->IconPathName).first->second;
    shortcut->FilePathName = Filename;
    shortcut->IconPathName = iconName.empty() ? iconName : PathInFolder(dest, iconName);
    // What is there now is noted first, so that a failed run puts it back.
    for (const std::string& link : shortcut->LinkFiles()) FJournal.NoteLink(link);
    FJournal.NoteRows(shortcut->RegistryRows());
    try {
      shortcut->CreateLink();
    } catch (const std::exception& e) {
      // The archive component would end the run without a word: the reason
      // is shown, then the run fails and is undone.
      ShowBox(FServices.Dialogs, e.what(), platform::mbOK | platform::mbIconError);
      throw;
    }
  }
  DoRestore = true;
}

void TForm1::BackupFile1Progress(TObject*, const std::string&, TPercentage Percent, bool&) {
  // Most blocks leave the bar where it was: painting it again shows nothing.
  const int before = ProgressBar1->Position();
  ProgressBar1->SetPosition(Percent);
  if (ProgressBar1->Position() != before) ProgressBar1->Repaint();
}

void TForm1::BackupFile1FileRestored(TObject*, std::string&, TFileStream*&) {
  // The end of every file is shown, however short the file.
  FRestorePump.ProcessMessagesNow();
}

// ---- Uninstallation -------------------------------------------------------------------

void TForm1::Deinstall(TObject*) {
  if (FBusy) return;
  FUninstalled = true;
  Button2->SetEnabled(false);
  std::string rootdir;
  const bool opened = DeleteInstallerRecord(FServices.Registry, rootdir);
  if (!opened && FServices.Registry.KeyExists(kRecordRoot, kRecordKey)) {
    // The record is there but cannot be changed (no administrator rights):
    // nothing is removed, and saying it was would strand the product.
    ShowDeinstallRefused();
    Button2->SetEnabled(true);
    return;
  }
  if (opened) {
    FBusy = true;
    ScopeExit idle([this] { FBusy = false; });
    MyShortCut1->FilePathName = rootdir;
    ProgressBar2->SetPosition(ProgressBar2->Position() + 1);
    MyShortCut1->RemoveLink();
    ProgressBar2->SetPosition(ProgressBar2->Position() + 1);
    MyShortCut1->RemoveCartella(rootdir, [this] { ProgressBar2->SetPosition(ProgressBar2->Position() + 1); });
    ProgressBar2->SetPosition(10);
  }
  ShowBox(FServices.Dialogs, "Velto è stato disinstallato", platform::mbOK);
  Button2->SetEnabled(true);
}

void TForm1::ShowDeinstallRefused() {
  std::string reason = FServices.Registry.LastOpenError();
  if (reason.empty()) reason = "accesso negato.";
  ShowBox(FServices.Dialogs, std::string(kDeinstallRefusedMessage) + reason, platform::mbOK | platform::mbIconError);
}

// ---- Folder chooser --------------------------------------------------------------------

void TForm1::Button5Click(TObject*) {
  if (FBusy) return;
  std::unique_ptr<TForm2> chooser(new TForm2(Application, FServices));
  chooser->Edit1->SetText(LabelDir->Caption());
  if (chooser->ShowModal() == mrOk) LabelDir->SetCaption(chooser->Edit1->Text());
}

// ---- Connection gate and the card page ---------------------------------------------------

void TForm1::INetDetector1Changed(TObject*) {
  bool online = INetDetector1->Online();
  for (TButton* button : {Button2, Button4, Button1, Button9}) button->SetEnabled(online);
  StatusBar1->SetSimpleText(online ? "Connessione attiva"
                                   : "Per installare il programma dovete essere connessi a internet!");
}

void TForm1::Button14Click(TObject*) {
  Panel10->SetVisible(false);
  FServices.Shell.OpenUrl(reinterpret_cast<uintptr_t>(PeerHandle), kFlashDownloadUrl, platform::swShowNormal);
}

void TForm1::UpdateFlashPrompt() {
  const std::string& s = FSystemDir;
  bool present = FServices.Files.FileExists(s + "\\" + "SWFLASH.OCX") ||
                 FServices.Files.FileExists(s + "\\MACROMED\\FLASH\\SWFLASH.OCX");
  Panel10->SetVisible(!present);
}

void TForm1::SendMail(TObject* Sender) {
  if (FBusy) return;
  if (RadioButton1->Checked()) {
    // The required fields, in the order they are checked.
    for (TEdit* required : {Edit7, Edit1, Edit2, Edit3, Edit4, Edit5})
      if (required->Text().empty()) {
        FServices.Dialogs.ShowMessageBox("Dati incompleti", "Completa modulo!", platform::mbIconError);
        return;
      }
    TStatisticsCard card{Edit1->Text(), Edit2->Text(), Edit7->Text(), Edit3->Text(),
                         Edit4->Text(), Edit5->Text(), Edit6->Text(), CheckBox1->Checked()};
    MapiUse1->FromName = card.Cognome + " " + card.Nome;
    MapiUse1->Recipients().Add(kStatisticsMailbox);
    MapiUse1->Subject = kStatisticsSubject;
    MapiUse1->Body = StatisticsCardBody(card, FVersion, Memo3->Text());
    // The outcome is not looked at: a mail failure does not stop the wizard.
    MapiUse1->Send();
  }
  UpdateFlashPrompt();
  Button2Click(Sender);
}
