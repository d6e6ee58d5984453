// TForm1: the install wizard, the program's main window. Six pages in a
// notebook (welcome, card, destination, licence, information, install), the
// four owned components that do the work, and the handlers that drive them.
//
// Which control runs which handler (wired at the end of LoadLayout, in
// app/wizard_layout.cpp):
//
//   page  control        caption                  handler
//   0     Button2        "&Avanti>>"              Button2Click (to page 1)
//   0     Button3        "&Chiudi"                Button3Click
//   0     Button14       "Disinstalla Velto2005"  Deinstall
//   1     Button13       "&Indietro"              Button2Click (to page 0)
//   1     Button12       "&Avanti>>"              SendMail, then page 2
//   2     Button5        "Cambia"                 Button5Click (TForm2)
//   2     Image5         (Flash add-on picture)   Button14Click
//   2     Indietro       "<<&Indietro"            Button2Click (to page 1)
//   2     Button4        "&Avanti>>"              Button2Click (to page 3)
//   3     Button8        "NO"                     Button8Click
//   3     Button7        "<<&Indietro"            Button2Click (to page 2)
//   3     Button6        "Si"                     Button2Click (to page 4)
//   4     Button11       "<<&Indietro"            Button2Click (to page 3)
//   4     Button1        "Avanti >>"              Button2Click (to page 5)
//   5     Button10       "<<&Indietro"            Button2Click (to page 3)
//   5     Button9        "Installa"               Button1Click
//
// Button2Click goes to the page its sender's Tag names. The components'
// events: BackupFile1 OnRestoreFile -> BackupFile1RestoreFile (per restored
// file: its path, the links and registry rows of MyShortCut1, the
// post-install command), OnProgress -> BackupFile1Progress, OnFileRestored
// -> BackupFile1FileRestored (the window catches up); INetDetector1
// OnChanged -> INetDetector1Changed; the form's OnCreate, OnPaint,
// OnCloseQuery and OnClose -> FormCreate, FormPaint, FormCloseQuery and
// FormClose (post-install commands and the installer record).
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/install_journal.h"
#include "app/installer_record.h"
#include "app/services.h"
#include "archive/archive_verify.h"
#include "archive/backup.h"
#include "mail/mapi_control.h"
#include "net/inet_detector.h"
#include "platform/threads.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "shell/shortcut.h"
#include "ui/throttled_pump.h"
#include "ui/widgets.h"

// The Flash player's download page, opened by the add-on prompt's button.
inline constexpr const char* kFlashDownloadUrl =
    "http://www.macromedia.com/shockwave/download/triggerpages_mmcom/flash.html";

// The message shown at start-up when the program's payload cannot be read
// (and the program ends), and at "Installa" when a block is found damaged.
inline constexpr const char* kDamagedInstallerMessage =
    "Il programma di installazione è danneggiato: impossibile leggere i file da installare.";
// The message after a failed run that could not put everything back as it
// was; a line for each such file, link, folder or registry value follows.
inline constexpr const char* kRollbackIncompleteMessage =
    "Installazione non riuscita: questi file, collegamenti, cartelle o voci del registro non si possono rimettere "
    "com'erano:";

// The start of the message "Disinstalla" shows when the installer record
// exists but cannot be changed; the system's reason follows it.
inline constexpr const char* kDeinstallRefusedMessage =
    "Velto non è stato disinstallato: il registro di sistema non può essere modificato. ";

class TForm1 : public TForm {
 public:
  // Loads the stored layout, runs the constructor body (state, the card read
  // from the installer record) and then FormCreate (payload, caption, system
  // folder, record check). Sets the global Form1. An exception of the record
  // read propagates (no window is made). A payload that cannot be read shows
  // kDamagedInstallerMessage and throws EAbort (no window is made, nothing
  // is shown of the wizard).
  TForm1(TComponent* AOwner, const TServices& Services);
  ~TForm1() override;

  // ---- The window's controls (stored layout) ----
  TPanel* PanelBanner;
  TImage* ImageLogo;
  TPanel* PanelTitle;
  TPanel* PanelStrip;
  TShape* ShapeCircle;
  TLabel* LabelTitle;
  TNotebook* Notebook1;
  TStatusBar* StatusBar1;

  // Page 0, welcome and uninstall.
  TShape* Shape1;
  TImage* ImgBase;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TLabel* Label6;
  TButton* Button14;
  TPanel* Panel1;
  TLabel* Label7;
  TProgressBar* ProgressBar2;
  TButton* Button2;
  TButton* Button3;

  // Page 1, statistics card.
  TLabel* Label8;
  TLabel* Label9;
  TEdit* Edit1;
  TLabel* Label10;
  TEdit* Edit2;
  TLabel* Label11;
  TEdit* Edit7;
  TLabel* Label12;
  TEdit* Edit3;
  TLabel* Label13;
  TEdit* Edit4;
  TLabel* Label14;
  TEdit* Edit5;
  TLabel* Label15;
  TEdit* Edit6;
  TGroupBox* GroupBox1;
  TCheckBox* CheckBox1;
  TCheckBox* CheckBox2;
  TLabel* Label16;
  TLabel* Label17;
  TMemo* Memo3;
  TLabel* Label18;
  TLabel* Label19;
  TRadioButton* RadioButton1;
  TRadioButton* RadioButton2;
  TPanel* Panel2;
  TLabel* Label20;
  TButton* Button12;
  TButton* Button13;

  // Page 2, destination folder.
  TShape* Shape2;
  TImage* Image2;
  TLabel* Label21;
  TLabel* Label22;
  TGroupBox* GroupBox2;
  TLabel* LabelDir;
  TButton* Button5;
  TPanel* Panel10;
  TLabel* Label26;
  TLabel* Label29;
  TImage* Image5;
  TLabel* Label30;
  TLabel* Label31;
  TPanel* Panel3;
  TButton* Button4;
  TButton* Indietro;

  // Page 3, licence agreement.
  TLabel* Label23;
  TMemo* Memo1;
  TLabel* Label24;
  TPanel* Panel4;
  TButton* Button6;
  TButton* Button7;
  TButton* Button8;

  // Page 4, product information.
  TLabel* Label25;
  TMemo* Memo2;
  TPanel* Panel5;
  TButton* Button1;
  TButton* Button11;

  // Page 5, install.
  TShape* Shape3;
  TImage* Image4;
  TLabel* Label27;
  TLabel* Label28;
  TLabel* Label32;
  TPanel* Panel6;
  TProgressBar* ProgressBar1;
  TButton* Button9;
  TButton* Button10;

  // ---- Owned components ----
  TBackupFile* BackupFile1;
  TMyShortCut* MyShortCut1;
  TINetDetector* INetDetector1;
  TMapiControl* MapiUse1;

  // ---- Handlers ----
  void FormCreate(TObject* Sender);
  void FormPaint(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Button2Click(TObject* Sender);  // navigation to the page Sender's Tag names
  void Button3Click(TObject* Sender);  // "&Chiudi"
  void Button8Click(TObject* Sender);  // "NO"
  void Button1Click(TObject* Sender);  // "Installa": the install run
  void BackupFile1RestoreFile(TObject* Sender, std::string& Filename, int32_t FA, bool& DoRestore);
  void BackupFile1Progress(TObject* Sender, const std::string& Filename, TPercentage Percent, bool& Continue);
  void BackupFile1FileRestored(TObject* Sender, std::string& Filename, TFileStream*& Stream);
  void Deinstall(TObject* Sender);     // "Disinstalla Velto2005"
  void Button5Click(TObject* Sender);  // "Cambia": the folder chooser
  void INetDetector1Changed(TObject* Sender);
  void Button14Click(TObject* Sender);  // the Flash add-on button image
  void SendMail(TObject* Sender);       // the card page's "&Avanti>>"

  // ---- State (read-only, for the application and the tests) ----
  TStream* PayloadStream() const { return FPayloadStream.get(); }
  uint32_t PayloadOffset() const { return FPayloadOffset; }
  const TStringList* ArchiveFiles() const { return FArchiveFiles.get(); }
  const TStringList& PostInstallCommands() const { return FPostInstall; }
  const std::string& VersionText() const { return FVersion; }
  const std::string& SystemDirectory() const { return FSystemDir; }
  bool Installed() const { return FInstalled; }
  bool Uninstalled() const { return FUninstalled; }
  // True while an install run or an uninstallation is working: the wizard's
  // buttons and the close box then do nothing.
  bool Busy() const { return FBusy; }

 private:
  void LoadLayout();
  // Puts the folder of the installed product (the record's RootDir) on the
  // destination page, when the record names one with a full path.
  void OfferInstalledFolder();
  // Starts checking every block of the payload on a background thread, from
  // the payload offset; the payload stream is then the check's until
  // PayloadSound takes its result. A thread that cannot be started leaves
  // the check to PayloadSound.
  void StartPayloadCheck();
  // Whether every block of the payload is sound: the background check's
  // result (waited for), or a check made now. Asked once; later calls give
  // the same answer.
  bool PayloadSound();
  // After a failed run: removes what the run created, forgets its commands
  // and puts the progress bar back to its start.
  void UndoFailedRun();
  // Shows Panel10 when the Flash player is in neither place under the
  // system folder, hides it when it is in one.
  void UpdateFlashPrompt();
  TCardData CardFromFields() const;
  // The error box of an uninstallation refused by the registry.
  void ShowDeinstallRefused();

  TServices FServices;
  // The restore's message pump: the window is served as often as the screen
  // can show a change, not after every block (made before the layout, which
  // hands it to BackupFile1).
  TThrottledPump FRestorePump;
  TInstallJournal FJournal;  // what the current install run created
  std::unique_ptr<TFileStream> FPayloadStream;
  uint32_t FPayloadOffset = 0;
  std::unique_ptr<TStringList> FArchiveFiles;
  TStringList FPostInstall;
  std::string FVersion;
  bool FUninstalled = false;
  bool FPayloadUnreadable = false;  // found by FormCreate: the program ends
  bool FInstalled = false;
  std::string FSystemDir;
  // The destination of the current run: LabelDir's folder without a
  // trailing "\".
  std::string FDestination;
  // The shortcut components used by a run, with their IconPathName as it
  // was before the first run made it a path.
  std::map<const TMyShortCut*, std::string> FStoredIconNames;
  bool FBusy = false;
  bool FCloseWorkDone = false;  // post-install commands started and record write tried
  // The payload check running in the background; what it found, or what it
  // raised, read once it is joined; and its answer once taken.
  platform::TThread FPayloadCheck;
  archive::TArchiveCheck FPayloadCheckResult;
  std::exception_ptr FPayloadCheckError;
  std::optional<bool> FPayloadSound;
};

// The wizard window of the running program, or nullptr.
extern TForm1* Form1;
